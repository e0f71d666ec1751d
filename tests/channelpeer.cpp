// The other end of a look-up channel for the tests, run as another user: it listens on a name
// first, or sends a request to whoever listens.
//   channelpeer listen NAME MILLISECONDS   prints "listening", then "received N" at the end
//   channelpeer send NAME REQUEST           prints the answer, or "closed"
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool addressOf(const char* name, sockaddr_un& address, socklen_t& length)
{
    address = {};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::strlen(name);
    if (size + 1 > sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + 1, name, size);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    return true;
}

std::string readFor(int socket, int milliseconds)
{
    std::string bytes;
    pollfd wait { socket, POLLIN, 0 };
    char chunk[4096];
    while (::poll(&wait, 1, milliseconds) == 1) {
        const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    sockaddr_un address;
    socklen_t length;
    if (argc != 4 || !addressOf(argv[2], address, length)) {
        std::fputs("usage: channelpeer listen NAME MILLISECONDS | send NAME REQUEST\n", stderr);
        return 2;
    }
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (std::strcmp(argv[1], "listen") == 0) {
        if (::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(socket, 16) != 0) {
            std::perror("channelpeer: bind");
            return 1;
        }
        std::puts("listening");
        std::fflush(stdout);
        std::size_t received = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(argv[3]));
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd wait { socket, POLLIN, 0 };
            if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) != 1)
                break;
            const int client = ::accept(socket, nullptr, nullptr);
            received += readFor(client, 300).size();
            ::send(client, "ok\n", 3, MSG_NOSIGNAL);
            ::close(client);
        }
        std::printf("received %zu\n", received);
        return 0;
    }
    if (std::strcmp(argv[1], "send") == 0) {
        if (::connect(socket, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            std::perror("channelpeer: connect");
            return 1;
        }
        ::send(socket, argv[3], std::strlen(argv[3]), MSG_NOSIGNAL);
        const std::string answer = readFor(socket, 2000);
        std::puts(answer.empty() ? "closed" : answer.c_str());
        return 0;
    }
    return 2;
}
