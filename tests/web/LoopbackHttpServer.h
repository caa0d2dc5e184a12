#pragma once
// A small HTTP server on 127.0.0.1 for the tests of the HTTP client and of the
// internet update. It runs on a thread of its own, serves each path as the test
// scripted it, and can misbehave on purpose: error statuses, redirects, bodies
// cut in the middle, slow trickles, bodies larger than they claim to be.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace webtest
{

struct Reply {
    int Status = 200;
    std::string Body;
    std::string Location;                     // for a redirect status
    std::size_t CutAfter = std::string::npos; // close the connection after this many body bytes
    std::chrono::milliseconds Pause{0};       // between chunks of the body
    std::size_t Chunk = 0;                    // bytes per chunk when pausing
};

// A socket listening on a free port of the loopback address; the port is given back.
inline int ListenOnLoopback(int &Port)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0) {
        close(listener);
        throw std::runtime_error("cannot listen on the loopback address");
    }
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    Port = ntohs(address.sin_port);
    return listener;
}

class LoopbackHttpServer
{
public:
    LoopbackHttpServer()
    {
        FListener = ListenOnLoopback(FPort);
        FThread = std::thread([this] { Run(); });
    }

    ~LoopbackHttpServer()
    {
        FStop = true;
        shutdown(FListener, SHUT_RDWR);
        if (FThread.joinable()) FThread.join();
        close(FListener);
    }

    LoopbackHttpServer(const LoopbackHttpServer &) = delete;
    LoopbackHttpServer &operator=(const LoopbackHttpServer &) = delete;

    // "http://127.0.0.1:port" followed by Path.
    std::string Url(const std::string &Path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(FPort) + Path;
    }

    void Serve(const std::string &Path, Reply What)
    {
        std::lock_guard lock(FLock);
        FReplies[Path] = std::move(What);
    }

    // The request paths in the order they came, as sent (percent-encoding kept).
    std::vector<std::string> Requests() const
    {
        std::lock_guard lock(FLock);
        return FRequests;
    }

    // A loopback URL where nothing listens: connecting to it is refused.
    static std::string RefusingUrl()
    {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
        close(s);
        return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    }

private:
    void Run()
    {
        while (!FStop) {
            const int client = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                if (FStop) break;
                continue;
            }
            // One connection at a time is all the client under test opens.
            Answer(client);
            close(client);
        }
    }

    void Answer(int Client)
    {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{Client, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) return;
            const ssize_t n = read(Client, buffer, sizeof buffer);
            if (n <= 0) return;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        Reply reply;
        {
            std::lock_guard lock(FLock);
            FRequests.push_back(path);
            const auto found = FReplies.find(path);
            reply = found != FReplies.end() ? found->second : Reply{404, "Not Found"};
        }
        std::string head = "HTTP/1.1 " + std::to_string(reply.Status) + " Scripted\r\n" +
                           "Content-Length: " + std::to_string(reply.Body.size()) + "\r\n" +
                           "Connection: close\r\n";
        if (!reply.Location.empty()) head += "Location: " + reply.Location + "\r\n";
        head += "\r\n";
        if (!Send(Client, head)) return;
        const std::string body = reply.Body.substr(0, reply.CutAfter);
        const std::size_t chunk = reply.Chunk ? reply.Chunk : body.size();
        for (std::size_t at = 0; at < body.size() && !FStop; at += chunk) {
            if (!Send(Client, body.substr(at, chunk))) return;
            if (reply.Pause.count()) std::this_thread::sleep_for(reply.Pause);
        }
    }

    static bool Send(int Client, const std::string &Data)
    {
        std::size_t sent = 0;
        while (sent < Data.size()) {
            const ssize_t n = send(Client, Data.data() + sent, Data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    int FListener = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    mutable std::mutex FLock;
    std::map<std::string, Reply> FReplies;
    std::vector<std::string> FRequests;
    std::thread FThread;
};

// A server on the loopback address that takes every connection and the request on it, and
// never says a word: the kernel completes the connections, nobody answers them.
class SilentServer
{
public:
    SilentServer() { FListener = ListenOnLoopback(FPort); }
    ~SilentServer() { close(FListener); }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;

    std::string Url(const std::string &Path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(FPort) + Path;
    }

private:
    int FListener = -1;
    int FPort = 0;
};

} // namespace webtest
