// `velm ask` against model servers that send a lot: the real binary reads streams from a
// loopback server in a thread of this program, and `curl -sN` reading the same stream is the
// floor. For each stream: how the process ended, its wall time and its peak resident memory
// (wait4's ru_maxrss), and the ratios to curl. Two more streams never end; velm gets Ctrl-C
// in the middle of them, and the time it takes to end after it is printed.
//
// Budget: peak memory no more than about three times the longest line plus the answer above
// what velm costs with an empty answer (the first row), wall time within a few times curl's,
// and an end within a second of Ctrl-C. CPU time is given beside wall time, which a busy
// machine stretches more for velm's two threads than for curl's one.
//
// This program stays small itself (streams are made in 64 KiB blocks as they are sent): a
// child's ru_maxrss also counts the parent's pages it was forked with.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t blockSize = 64 * 1024;

// Hands out a response body block by block; false once the body is complete.
using BodySource = std::function<bool(std::string &block)>;

struct Stream
{
    std::string name;
    std::function<BodySource()> body;
    // Ctrl-C this long after the start; none: the stream ends by itself.
    std::optional<std::chrono::milliseconds> interruptAfter;
    bool withCurl = true;
};

// One event of llama.cpp's shape carrying `content` (already JSON-escaped).
std::string event(const std::string &content)
{
    return R"(data: {"choices":[{"finish_reason":null,"index":0,"delta":{"content":")" + content
        + R"("}}],"created":1796574407,"id":"chatcmpl-izWqwR1DYMd7LZr1O86A0p4MdL3qm1PC",)"
          R"("model":"qwen3-vl-8b-instruct","system_fingerprint":"b1-80fb11a",)"
          R"("object":"chat.completion.chunk"})"
          "\n\n";
}

// A block of about 64 KiB of events with pieces of about 20 bytes (text as models write it,
// a line break now and then, non-ASCII), and how many bytes of answer it carries.
struct EventBlock
{
    std::string events;
    std::size_t answerBytes = 0;
};

const EventBlock &eventBlock()
{
    static const EventBlock block = [] {
        // Written as they travel: "\\n" is one byte of answer, the rest as it is.
        static const std::vector<std::string> pieces{
            "The answer is near. ", "Use a hash map, as  ", "described below:\\n\\n",
            "\xC3\xA9t\xC3\xA9 et caf\xC3\xA9, ", "1. Sort the list;\\n "};
        EventBlock made;
        for (std::size_t i = 0; made.events.size() < blockSize; ++i) {
            const std::string &piece = pieces[i % pieces.size()];
            made.events += event(piece);
            std::size_t escapes = 0;
            for (std::size_t at = piece.find("\\n"); at != std::string::npos;
                 at = piece.find("\\n", at + 2))
                ++escapes;
            made.answerBytes += piece.size() - escapes;
        }
        return made;
    }();
    return block;
}

// Whole blocks of events up to `answerBytes` of answer, then "[DONE]"; endless when 0.
BodySource eventsBody(std::size_t answerBytes)
{
    const std::size_t blocks = answerBytes / eventBlock().answerBytes;
    auto sent = std::make_shared<std::size_t>(0);
    return [=](std::string &out) {
        if (answerBytes == 0 || *sent < blocks) {
            ++*sent;
            out = eventBlock().events;
            return true;
        }
        if (*sent == blocks) {
            ++*sent;
            out = "data: [DONE]\n\n";
            return true;
        }
        return false;
    };
}

// One event whose content is `size` bytes long, then "[DONE]"; a line that never ends when
// `size` is 0.
BodySource bigEventBody(std::size_t size)
{
    auto left = std::make_shared<std::size_t>(size);
    auto stage = std::make_shared<int>(0);
    return [=](std::string &out) {
        switch (*stage) {
        case 0:
            out = R"(data: {"choices":[{"index":0,"delta":{"content":")";
            ++*stage;
            return true;
        case 1:
            if (size == 0 || *left > 0) {
                const std::size_t n = size == 0 ? blockSize : std::min(*left, blockSize);
                out.assign(n, 'x');
                *left -= size == 0 ? 0 : n;
                return true;
            }
            out = "\"}}]}\n\ndata: [DONE]\n\n";
            ++*stage;
            return true;
        default:
            return false;
        }
    };
}

bool sendAll(int fd, const std::string &data)
{
    std::size_t at = 0;
    while (at < data.size()) {
        const ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        at += std::size_t(n);
    }
    return true;
}

std::string hex(std::size_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%zx", value);
    return text;
}

// A model server on 127.0.0.1 that lists one model and answers every chat request with the
// current stream, chunked as llama.cpp does it (one HTTP chunk per block).
class LoopbackServer
{
public:
    LoopbackServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0
            || ::listen(m_listener, 16) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
            std::perror("loopback server");
            std::exit(1);
        }
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~LoopbackServer()
    {
        m_stopping = true;
        m_acceptor.join();
        ::close(m_listener);
        std::lock_guard lock(m_mutex);
        for (std::thread &connection : m_connections)
            connection.join();
    }

    std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    void setBody(std::function<BodySource()> body)
    {
        std::lock_guard lock(m_mutex);
        m_body = std::move(body);
    }

private:
    void acceptLoop()
    {
        while (!m_stopping) {
            pollfd p{m_listener, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_connections.emplace_back([this, fd] { serve(fd); });
        }
    }

    void serve(int fd)
    {
        std::string buffer;
        char chunk[16384];
        for (;;) {
            std::size_t headEnd;
            while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
                const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0 || m_stopping) {
                    ::close(fd);
                    return;
                }
                buffer.append(chunk, std::size_t(n));
            }
            std::string head = buffer.substr(0, headEnd);
            for (char &c : head)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            std::size_t length = 0;
            if (const std::size_t at = head.find("content-length:"); at != std::string::npos)
                length = std::strtoull(head.c_str() + at + 15, nullptr, 10);
            while (buffer.size() < headEnd + 4 + length) {
                const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) {
                    ::close(fd);
                    return;
                }
                buffer.append(chunk, std::size_t(n));
            }
            buffer.erase(0, headEnd + 4 + length);

            if (head.starts_with("get /v1/models")) {
                const std::string body = R"({"object":"list","data":[{"id":"bench-model"}]})";
                sendAll(fd,
                        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                        "Content-Length: "
                            + std::to_string(body.size()) + "\r\n\r\n" + body);
                continue;
            }
            if (head.starts_with("post /v1/chat/completions"))
                stream(fd);
            else
                sendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            ::close(fd);
            return;
        }
    }

    void stream(int fd)
    {
        BodySource source;
        {
            std::lock_guard lock(m_mutex);
            source = m_body();
        }
        if (!sendAll(fd,
                     "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                     "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n"))
            return;
        std::string block;
        std::string framed;
        while (!m_stopping && source(block)) {
            framed = hex(block.size()) + "\r\n" + block + "\r\n";
            if (!sendAll(fd, framed))
                return;
        }
        sendAll(fd, "0\r\n\r\n");
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping = false;
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::thread> m_connections;
    std::function<BodySource()> m_body;
};

struct Run
{
    bool ran = false;
    int exitCode = -1; // 128 + n when ended by signal n
    double seconds = 0;
    double cpuSeconds = 0; // user and system
    double peakMB = 0;
    std::optional<double> afterInterrupt; // seconds from Ctrl-C to the end
    std::string firstErrorLine;
};

std::optional<std::string> findInPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string paths = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= paths.size()) {
        const std::size_t end = std::min(paths.find(':', start), paths.size());
        const std::string candidate = paths.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// Runs `argv` with standard output to /dev/null, Ctrl-C after `interruptAfter` if it still
// runs, and a kill 60 s later.
Run runProgram(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
               std::optional<std::chrono::milliseconds> interruptAfter)
{
    Run run;
    char errorTemplate[] = "/tmp/bench_askstream_err_XXXXXX";
    const int errorFd = ::mkstemp(errorTemplate);
    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    // Everything the child needs is made before fork: only async-signal-safe calls after it.
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char *> env;
    for (const std::string &entry : environment)
        env.push_back(const_cast<char *>(entry.c_str()));
    env.push_back(nullptr);

    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(nullFd, STDIN_FILENO);
        ::dup2(nullFd, STDOUT_FILENO);
        ::dup2(errorFd, STDERR_FILENO);
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    ::close(nullFd);
    if (pid < 0) {
        ::close(errorFd);
        ::unlink(errorTemplate);
        return run;
    }
    run.ran = true;

    int status = 0;
    rusage usage{};
    std::optional<Clock::time_point> interruptedAt;
    bool killed = false;
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        const Clock::time_point now = Clock::now();
        if (interruptAfter && !interruptedAt && now - start >= *interruptAfter) {
            ::kill(pid, SIGINT);
            interruptedAt = now;
        }
        if (!killed && now - interruptedAt.value_or(start) > std::chrono::seconds(60)) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const Clock::time_point end = Clock::now();
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.peakMB = double(usage.ru_maxrss) / 1024.0;
    const auto toSeconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (interruptedAt)
        run.afterInterrupt = std::chrono::duration<double>(end - *interruptedAt).count();

    std::ifstream errors(errorTemplate);
    std::getline(errors, run.firstErrorLine);
    ::close(errorFd);
    ::unlink(errorTemplate);
    return run;
}

void printRow(const std::string &stream, const std::string &program, const Run &run,
              const Run *floor)
{
    char line[512];
    std::snprintf(line, sizeof line, "%-34s | %-4s | %4d | %8.2f | %7.2f | %9.1f", stream.c_str(),
                  program.c_str(), run.exitCode, run.seconds, run.cpuSeconds, run.peakMB);
    std::string text = line;
    if (floor && floor->ran && floor->exitCode == 0) {
        std::snprintf(line, sizeof line, " | %8.1fx | %7.1fx | %8.1fx",
                      run.seconds / floor->seconds, run.cpuSeconds / floor->cpuSeconds,
                      run.peakMB / floor->peakMB);
        text += line;
    } else {
        text += " |           |          |           ";
    }
    if (run.afterInterrupt) {
        std::snprintf(line, sizeof line, " | %20.2f", *run.afterInterrupt);
        text += line;
    } else {
        text += " |                     ";
    }
    if (!run.firstErrorLine.empty())
        text += " | " + run.firstErrorLine.substr(0, 70);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

} // namespace

int main()
{
    const std::string velm = VELM_BINARY;
    const std::optional<std::string> curl = findInPath("curl");

    std::filesystem::path home = std::filesystem::temp_directory_path() / "bench_askstream_XXXXXX";
    std::string homeText = home.string();
    if (!::mkdtemp(homeText.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    home = homeText;
    // A throw-away user, so that no setting of the person running this counts.
    std::vector<std::string> environment{
        "XDG_CONFIG_HOME=" + (home / "config").string(),
        "XDG_DATA_HOME=" + (home / "data").string(),
        "HOME=" + home.string(),
        "PATH=/usr/bin:/bin",
        "LANG=C.UTF-8",
    };

    constexpr std::size_t answerBytes = 20'000'000;
    const std::size_t blocks = answerBytes / eventBlock().answerBytes;
    char eventsName[64];
    std::snprintf(eventsName, sizeof eventsName, "%.0f MB answer in %.0f MB of events",
                  double(blocks * eventBlock().answerBytes) / 1e6,
                  double(blocks * eventBlock().events.size()) / 1e6);
    const std::vector<Stream> streams{
        // What the programs cost on their own.
        {"only [DONE]", [] { return eventsBody(1); }, {}, true},
        {eventsName, [] { return eventsBody(answerBytes); }, {}, true},
        {"one 50 MiB event", [] { return bigEventBody(50 << 20); }, {}, true},
        {"endless line, Ctrl-C after 4 s", [] { return bigEventBody(0); },
         std::chrono::milliseconds(4000), false},
        {"endless events, Ctrl-C after 2 s", [] { return eventsBody(0); },
         std::chrono::milliseconds(2000), false},
    };

    LoopbackServer server;
    const std::string url = server.address() + "/v1/chat/completions";
    if (!curl)
        std::printf("curl not found: the curl floor is skipped\n");
    std::printf("%-34s | %-4s | exit | wall (s) | CPU (s) | peak (MB) | wall/curl | CPU/curl | "
                "peak/curl | end after Ctrl-C (s) | first error line\n",
                "stream", "");
    for (const Stream &stream : streams) {
        server.setBody(stream.body);
        Run floor;
        if (curl && stream.withCurl) {
            floor = runProgram({*curl, "-sN", "-o", "/dev/null", "-H",
                                "Content-Type: application/json", "-d",
                                R"({"model":"bench-model","stream":true})", url},
                               environment, std::nullopt);
            printRow(stream.name, "curl", floor, nullptr);
        }
        const Run run = runProgram(
            {velm, "ask", "--search", "never", "--server", server.address(), "Tell me a lot."},
            environment, stream.interruptAfter);
        printRow(stream.name, "velm", run, floor.ran ? &floor : nullptr);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
