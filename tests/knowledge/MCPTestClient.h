#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::test {

// A blocking TCP client for the MCP server, every wait bounded.
class MCPTestClient {
public:
    using Duration = std::chrono::milliseconds;

    explicit MCPTestClient(std::uint16_t port, const char* address = "127.0.0.1", int receiveBuffer = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &to.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~MCPTestClient()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    MCPTestClient(const MCPTestClient&) = delete;
    MCPTestClient& operator=(const MCPTestClient&) = delete;

    bool connected() const { return connected_; }
    int fd() const { return fd_; }

    // False once the server has gone.
    bool send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const auto sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    void endWriting() { ::shutdown(fd_, SHUT_WR); }

    // Closes with a reset instead of an orderly end.
    void reset()
    {
        const linger abort{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(fd_);
        fd_ = -1;
    }

    // The next "\n"-ended line (with its "\n"), or nothing by the deadline or at the end.
    std::optional<std::string> readLine(Duration within = Duration(5000))
    {
        const auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            if (const auto newline = pending_.find('\n'); newline != std::string::npos) {
                std::string line = pending_.substr(0, newline + 1);
                pending_.erase(0, newline + 1);
                return line;
            }
            if (!fill(deadline)) {
                return std::nullopt;
            }
        }
    }

    // Everything until the server closes; nothing when it has not closed by the deadline.
    std::optional<std::string> readToEnd(Duration within = Duration(5000))
    {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (!ended_) {
            if (!fill(deadline) && !ended_) {
                return std::nullopt;
            }
        }
        std::string all = std::move(pending_);
        pending_.clear();
        return all;
    }

    // True when the server closed (or reset) the connection within the time.
    bool closedByServer(Duration within = Duration(5000)) { return readToEnd(within).has_value(); }

private:
    bool fill(std::chrono::steady_clock::time_point deadline)
    {
        if (ended_) {
            return false;
        }
        const auto left = std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[65536];
        const auto got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) {
            ended_ = true;
            return false;
        }
        pending_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
    bool ended_ = false;
    std::string pending_;
};

}  // namespace qm::test
