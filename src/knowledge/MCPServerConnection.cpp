#include "knowledge/MCPServerConnection.h"

#include <algorithm>
#include <span>
#include <utility>

#include <fmt/format.h>

#include "base/Log.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPLineHandler.h"

namespace qm {
namespace {

constexpr std::string_view kAuthPrefix = "Authorization: Bearer ";

// What a send learns when the connection had already been closed.
MCPConnectionSink::SendError closedBeforeSending()
{
    return {"the connection is closed", true};
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmedBytes(std::string_view line)
{
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isBlank(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

namespace {

// Hands the server's thread what the hub or a request's task wants written.
class ConnectionSink final : public MCPConnectionSink {
public:
    ConnectionSink(std::weak_ptr<MCPServerConnection> connection,
                   std::shared_ptr<MCPServerConnection::Mailbox> mailbox,
                   std::shared_ptr<asio::io_context> io, bool isReply)
        : connection_(std::move(connection)), mailbox_(std::move(mailbox)), io_(std::move(io)),
          isReply_(isReply)
    {
    }

    void send(std::string bytes, SendCompletion completion) override
    {
        post({std::move(bytes), std::move(completion), isReply_});
    }

    void skipReply() override
    {
        // Broadcasts hold no place in flight; only the reply sink settles one.
        if (isReply_) {
            post({{}, nullptr, true, true});
        }
    }

private:
    void post(MCPServerConnection::Delivery delivery)
    {
        bool wake = false;
        {
            const std::lock_guard lock(mailbox_->mutex);
            wake = mailbox_->deliveries.empty();
            mailbox_->deliveries.push_back(std::move(delivery));
        }
        // A mailbox that was not empty has its wake-up under way already.
        if (wake) {
            asio::post(*io_, [connection = connection_, mailbox = mailbox_] {
                if (const auto live = connection.lock()) {
                    live->deliverMail();
                } else {
                    failAll(*mailbox);
                }
            });
        }
    }

    static void failAll(MCPServerConnection::Mailbox& mailbox)
    {
        std::vector<MCPServerConnection::Delivery> mail;
        {
            const std::lock_guard lock(mailbox.mutex);
            mail.swap(mailbox.deliveries);
        }
        for (auto& delivery : mail) {
            if (delivery.completion) {
                delivery.completion(closedBeforeSending());
            }
        }
    }

    std::weak_ptr<MCPServerConnection> connection_;
    std::shared_ptr<MCPServerConnection::Mailbox> mailbox_;
    std::shared_ptr<asio::io_context> io_;
    bool isReply_;
};

}  // namespace

MCPServerConnection::MCPServerConnection(asio::ip::tcp::socket socket, Context context)
    : socket_(std::move(socket)), context_(std::move(context)), idleTimer_(*context_.io),
      authLineTimer_(*context_.io), drainTimer_(*context_.io), unreadTimer_(*context_.io)
{
}

void MCPServerConnection::start()
{
    replySink_ = std::make_shared<ConnectionSink>(weak_from_this(), mailbox_, context_.io, true);
    hubSink_ = std::make_shared<ConnectionSink>(weak_from_this(), mailbox_, context_.io, false);
    std::error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    context_.hub.registerConnection(hubSink_, id_);
    arm(idleTimer_, context_.limits.unauthenticatedIdle, &MCPServerConnection::onIdle);
    readMore();
}

void MCPServerConnection::readMore()
{
    if (reading_ || peerEnded_ || phase_ == Phase::closed || phase_ == Phase::refusing) {
        return;
    }
    std::size_t room = readBuffer_.size();
    if (phase_ == Phase::authenticating) {
        // Never read past the authentication line's limit: what follows it is
        // only looked at once the line has been judged.
        room = context_.limits.maxAuthLineBytes > buffer_.size()
                   ? context_.limits.maxAuthLineBytes - buffer_.size()
                   : 1;
        room = std::min(room, readBuffer_.size());
    } else if (inFlight_ >= context_.limits.maxInFlight || overUnreadLimit()) {
        return;  // back-pressure: replies coming back, or written, resume reading
    }
    reading_ = true;
    socket_.async_read_some(asio::buffer(readBuffer_.data(), room),
                            [self = shared_from_this()](const std::error_code& error, std::size_t count) {
                                self->onRead(error, count);
                            });
}

void MCPServerConnection::onRead(const std::error_code& error, std::size_t count)
{
    reading_ = false;
    if (phase_ == Phase::closed) {
        return;
    }
    buffer_.append(readBuffer_.data(), count);
    if (phase_ == Phase::authenticating) {
        processAuthentication();
    } else if (phase_ == Phase::open) {
        processLines();
    }
    if (phase_ == Phase::closed || phase_ == Phase::refusing) {
        return;
    }
    if (error == asio::error::eof) {
        onPeerEnded();
        return;
    }
    if (error) {
        Log::print((phase_ == Phase::authenticating ? "⚠️ Error reading auth header: "
                                                    : "⚠️ Connection message read error: ") +
                   error.message());
        close();
        return;
    }
    readMore();
}

bool MCPServerConnection::isAuthenticationLine(std::string_view line) const
{
    const auto token = context_.token();
    if (!token) {
        return false;
    }
    return MCPServer::constantTimeEquals(trimmedBytes(line), std::string(kAuthPrefix) + *token);
}

void MCPServerConnection::processAuthentication()
{
    const auto newline = buffer_.find('\n');
    if (newline != std::string::npos) {
        if (isAuthenticationLine(std::string_view(buffer_).substr(0, newline))) {
            accept(newline + 1);
        } else {
            refuse();
        }
        return;
    }
    if (buffer_.empty()) {
        return;
    }
    // A client that sends its token and no "\n" is taken at its word at once.
    if (isAuthenticationLine(buffer_)) {
        accept(buffer_.size());
    } else if (buffer_.size() >= context_.limits.maxAuthLineBytes) {
        refuse();
    } else if (!authLineTimerArmed_) {
        authLineTimerArmed_ = true;
        arm(authLineTimer_, context_.limits.authLineDeadline, &MCPServerConnection::onAuthLineDeadline);
    }
}

void MCPServerConnection::accept(std::size_t consumed)
{
    buffer_.erase(0, consumed);
    phase_ = Phase::open;
    idleTimer_.cancel();
    authLineTimer_.cancel();
    processLines();
}

void MCPServerConnection::refuse()
{
    phase_ = Phase::refusing;
    idleTimer_.cancel();
    authLineTimer_.cancel();
    buffer_.clear();
    auto bytes = std::make_shared<const std::string>(MCPServer::kRefusal);
    asio::async_write(
        socket_, asio::buffer(*bytes),
        [self = shared_from_this(), bytes](const std::error_code&, std::size_t) { self->close(); });
}

void MCPServerConnection::processLines()
{
    // Every complete line that fits in flight goes to the line handler in one
    // batch, which wakes the workers once for all of them.
    bool more = true;
    while (more && phase_ == Phase::open && inFlight_ < context_.limits.maxInFlight) {
        const std::size_t room = context_.limits.maxInFlight - inFlight_;
        std::size_t end = taken_;
        std::size_t count = 0;
        bool tooLong = false;
        while (count < room) {
            const auto newline = buffer_.find('\n', end);
            if (newline == std::string::npos) {
                more = false;
                break;
            }
            if (newline - end > context_.limits.maxLineBytes) {
                tooLong = true;
                break;
            }
            end = newline + 1;
            ++count;
        }
        if (end > taken_) {
            inFlight_ += context_.lines.handleLines(std::string_view(buffer_).substr(taken_, end - taken_),
                                                    id_, replySink_);
            taken_ = end;
        }
        if (tooLong) {
            closeForLimit(fmt::format("a line is longer than {} bytes", context_.limits.maxLineBytes));
            return;
        }
    }
    if (phase_ != Phase::open) {
        return;
    }
    if (taken_ == buffer_.size()) {
        buffer_.clear();
        taken_ = 0;
    } else if (taken_ > buffer_.size() / 2 || taken_ >= readBuffer_.size()) {
        buffer_.erase(0, taken_);
        taken_ = 0;
    }
    if (buffer_.size() - taken_ > context_.limits.maxLineBytes &&
        buffer_.find('\n', taken_) == std::string::npos) {
        closeForLimit(fmt::format("a line is longer than {} bytes", context_.limits.maxLineBytes));
        return;
    }
    finishIfDrained();
}

void MCPServerConnection::onPeerEnded()
{
    peerEnded_ = true;
    if (phase_ == Phase::authenticating) {
        close();
        return;
    }
    arm(drainTimer_, context_.limits.drainAfterEof, &MCPServerConnection::onDrainDeadline);
    finishIfDrained();
}

void MCPServerConnection::finishIfDrained()
{
    if (phase_ != Phase::open || !peerEnded_ || inFlight_ > 0 || inWrite_ > 0 || !outbound_.empty()) {
        return;
    }
    // Complete lines still waiting for room are owed replies too.
    if (buffer_.find('\n', taken_) != std::string::npos) {
        return;
    }
    close();
}

void MCPServerConnection::deliverMail()
{
    {
        const std::lock_guard lock(mailbox_->mutex);
        mail_.swap(mailbox_->deliveries);
    }
    bool replied = false;
    for (auto& delivery : mail_) {
        replied = replied || delivery.isReply;
        deliver(std::move(delivery));
    }
    // Cleared here, its room goes back to the mailbox with the next swap.
    mail_.clear();
    // The lines that waited for room go to the workers before this thread
    // spends its time on the write.
    if (replied) {
        processLines();
    }
    if (phase_ != Phase::open) {
        return;
    }
    if (inWrite_ == 0 && !outbound_.empty()) {
        writeNext();
    }
    if (replied) {
        readMore();
    }
}

void MCPServerConnection::deliver(Delivery delivery)
{
    if (phase_ != Phase::open) {
        if (delivery.completion) {
            delivery.completion(closedBeforeSending());
        }
        return;
    }
    if (delivery.isReply && inFlight_ > 0) {
        --inFlight_;
    }
    if (delivery.skipped) {
        return;
    }
    enqueue(std::move(delivery.bytes), std::move(delivery.completion));
}

void MCPServerConnection::enqueue(std::string bytes, MCPConnectionSink::SendCompletion completion)
{
    // Always queued, however large: the limit is on what the client leaves
    // unread over time, which reading pauses for and the deadline judges.
    outboundBytes_ += bytes.size();
    outbound_.push_back({std::move(bytes), std::move(completion)});
    watchUnread();
}

void MCPServerConnection::writeNext()
{
    // Every line queued so far is offered to one write: under pipelining that
    // is one system call for many replies instead of one each. A write takes
    // what the socket has room for; the rest goes with the next.
    inWrite_ = std::min(outbound_.size(), kMaxLinesPerWrite);
    for (std::size_t i = 0; i < inWrite_; ++i) {
        // The entries stay queued, and their bytes alive, until they are written.
        writeBuffers_[i] = asio::buffer(outbound_[i].bytes);
    }
    writeBuffers_[0] += frontWritten_;
    // A view of the member array: the write carries no list of its own to allocate.
    socket_.async_write_some(std::span<const asio::const_buffer>(writeBuffers_.data(), inWrite_),
                             [self = shared_from_this()](const std::error_code& error, std::size_t count) {
                                 self->onWritten(error, count);
                             });
}

std::size_t MCPServerConnection::consumeWritten(std::size_t count)
{
    std::size_t completed = 0;
    while (count > 0 && !outbound_.empty()) {
        const std::size_t left = outbound_.front().bytes.size() - frontWritten_;
        if (count < left) {
            frontWritten_ += count;
            outboundBytes_ -= count;
            break;
        }
        count -= left;
        outboundBytes_ -= left;
        frontWritten_ = 0;
        Outbound done = std::move(outbound_.front());
        outbound_.pop_front();
        ++completed;
        if (done.completion) {
            done.completion(std::nullopt);
        }
    }
    return completed;
}

void MCPServerConnection::failOutbound()
{
    std::deque<Outbound> unsent;
    unsent.swap(outbound_);
    outboundBytes_ = 0;
    frontWritten_ = 0;
    for (auto& item : unsent) {
        if (item.completion) {
            item.completion(closedBeforeSending());
        }
    }
}

void MCPServerConnection::onWritten(const std::error_code& error, std::size_t count)
{
    const std::size_t offered = std::exchange(inWrite_, 0);
    if (count > 0) {
        lastWriteProgress_ = std::chrono::steady_clock::now();
    }
    const std::size_t completed = consumeWritten(count);
    if (phase_ == Phase::closed) {
        // Closed while this write was under way: what did not make it out
        // fell to our own close, which is no failure of the send.
        failOutbound();
        return;
    }
    if (error) {
        for (std::size_t failed = offered - completed; failed > 0 && !outbound_.empty(); --failed) {
            Outbound done = std::move(outbound_.front());
            outbound_.pop_front();
            outboundBytes_ -= done.bytes.size() - std::exchange(frontWritten_, 0);
            if (done.completion) {
                done.completion(MCPConnectionSink::SendError{error.message()});
            }
        }
        close();
        return;
    }
    if (!outbound_.empty()) {
        writeNext();
    }
    // Reading waits while too much is unread; this may have made room.
    readMore();
    finishIfDrained();
}

void MCPServerConnection::watchUnread()
{
    if (unreadTimerArmed_ || !overUnreadLimit()) {
        return;
    }
    unreadTimerArmed_ = true;
    lastWriteProgress_ = std::chrono::steady_clock::now();
    arm(unreadTimer_, context_.limits.unreadDeadline, &MCPServerConnection::onUnreadDeadline);
}

void MCPServerConnection::onUnreadDeadline()
{
    unreadTimerArmed_ = false;
    if (phase_ != Phase::open || !overUnreadLimit()) {
        return;
    }
    const auto still = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - lastWriteProgress_);
    if (still >= context_.limits.unreadDeadline) {
        closeForLimit(fmt::format("more than {} reply bytes wait to be read, none taken for {} ms",
                                  context_.limits.maxOutboundBytes, context_.limits.unreadDeadline.count()));
        return;
    }
    // The client took some since: it has until the deadline from then.
    unreadTimerArmed_ = true;
    arm(unreadTimer_, context_.limits.unreadDeadline - still, &MCPServerConnection::onUnreadDeadline);
}

void MCPServerConnection::closeForLimit(std::string_view reason)
{
    Log::print(fmt::format("⚠️ MCP connection closed: {}", reason));
    close();
}

void MCPServerConnection::arm(asio::steady_timer& timer, std::chrono::milliseconds after,
                              void (MCPServerConnection::*fired)())
{
    timer.expires_after(after);
    timer.async_wait([weak = weak_from_this(), fired](const std::error_code& error) {
        const auto self = weak.lock();
        if (!error && self && self->phase_ != Phase::closed) {
            ((*self).*fired)();
        }
    });
}

void MCPServerConnection::onIdle()
{
    if (phase_ == Phase::authenticating) {
        closeForLimit(
            fmt::format("no authentication within {} ms", context_.limits.unauthenticatedIdle.count()));
    }
}

void MCPServerConnection::onAuthLineDeadline()
{
    if (phase_ == Phase::authenticating) {
        refuse();
    }
}

void MCPServerConnection::onDrainDeadline()
{
    if (phase_ == Phase::open) {
        closeForLimit(fmt::format("replies still owed {} ms after the client ended its side",
                                  context_.limits.drainAfterEof.count()));
    }
}

void MCPServerConnection::close()
{
    if (phase_ == Phase::closed) {
        return;
    }
    phase_ = Phase::closed;
    idleTimer_.cancel();
    authLineTimer_.cancel();
    drainTimer_.cancel();
    unreadTimer_.cancel();
    std::error_code ignored;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    // A write under way keeps the queue: its own completion says which bytes
    // went out before the close, which only then is known, and settles the rest.
    if (inWrite_ == 0) {
        failOutbound();
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    taken_ = 0;
    context_.hub.unregisterConnection(id_);
    if (context_.closed) {
        context_.closed(id_);
    }
}

}  // namespace qm
