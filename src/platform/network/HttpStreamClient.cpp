#include "platform/network/HttpStreamClient.h"

#include <string_view>

namespace qm {

namespace {

class WholeResponse final : public HttpStreamReceiver {
public:
    bool receiveResponse(int statusCode) override
    {
        response.status = statusCode;
        return true;
    }

    bool receiveData(std::string_view bytes) override
    {
        response.body.append(bytes);
        return true;
    }

    HttpResponse response;
};

}  // namespace

HttpResponse HttpStreamClient::send(const HttpRequest& request, const CancellationToken& cancel)
{
    WholeResponse whole;
    if (auto failure = perform(request, cancel, whole)) {
        throw *failure;
    }
    return std::move(whole.response);
}

}  // namespace qm
