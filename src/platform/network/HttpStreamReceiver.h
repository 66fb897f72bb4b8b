#pragma once

#include <string_view>

namespace qm {

// Takes one response as it arrives, on the thread that performs the request.
class HttpStreamReceiver {
public:
    virtual ~HttpStreamReceiver() = default;

    // The final status line and headers have arrived (interim 1xx responses are
    // not reported). Return false to end the transfer without reading the body.
    virtual bool receiveResponse(int statusCode) = 0;

    // The next bytes of the body, decoded from the transfer encoding, in order and
    // split wherever the network split them. Return false to stop reading.
    virtual bool receiveData(std::string_view bytes) = 0;
};

}  // namespace qm
