// The one translation unit that sees Boost.Beast and Asio: their headers cost every file that
// includes them several seconds to compile.
#include "web/HttpServer.hpp"

#include "web/JsonAnswer.hpp"

// Boost 1.74's Asio uses std::exchange without including <utility>.
#include <utility>
// Beast's own string_view is then the standard one.
#define BOOST_BEAST_USE_STD_STRING_VIEW

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <chrono>
#include <deque>
#include <limits>
#include <list>
#include <malloc.h>
#include <map>
#include <sys/resource.h>
#include <thread>

namespace web {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using namespace std::chrono_literals;

namespace {

// What a connection may cost before its request is judged. A request head of a browser is about
// 1 KiB; twice a generous cookie is plenty.
constexpr std::uint32_t kMaxHeadBytes = 16 * 1024;
constexpr std::size_t kMaxHeadFields = 100;
// From the end of one answer (or the connection's start) to the end of the next request's head:
// a client that trickles its head, or idles on a kept-alive connection, is closed after this.
constexpr auto kHeadDeadline = 10s;
// A small body arrives with its head; an image of 32 MiB takes a fraction of a second on the
// loopback, so a minute is far beyond any honest client.
constexpr auto kSmallBodyDeadline = 10s;
constexpr auto kLargeBodyDeadline = 60s;
// Writing an answer, or one message of an event stream, to a client that does not read.
constexpr auto kWriteDeadline = 30s;
// A request whose answer takes longer (the main queue stuck on something) is answered as busy.
constexpr auto kAnswerPatience = 30s;
// How long, and how much, a refused client may go on sending before the connection closes.
constexpr auto kLinger = 2s;
constexpr std::size_t kMaxLingerBytes = 4u << 20;
// An event stream with nothing to say sends a comment this often, so proxies keep it open and
// a client that went away is noticed.
constexpr auto kStreamKeepAlive = 15s;
// Every connection holds a descriptor and its buffer; past this many, new ones are closed at once.
constexpr std::size_t kMaxConnections = 2048;
// The local network is anyone's: a phone needs a handful of connections, so each address there
// gets at most this many, and all of them together at most the second.
constexpr std::size_t kMaxConnectionsPerSharedAddress = 16;
constexpr std::size_t kMaxSharedConnections = 64;
// Bodies larger than an event are read only this many at a time, and held until answered, so a
// burst of uploads costs at most this many bodies of memory.
constexpr std::size_t kLargeBodySlots = 2;
// The read buffer holds a whole head and passes bodies through in pieces of at most this.
constexpr std::size_t kReadBufferBytes = 64 * 1024;
// Large bodies are mapped and unmapped by themselves, so the memory of a burst of uploads goes
// back to the system once they are answered instead of staying in the allocator's heap.
constexpr int kMapThreshold = 256 * 1024;
constexpr int kArenas = 2;

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// A thousand connections need more descriptors than a session's usual soft limit of 1024.
void raiseDescriptorLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    rlim_t wanted = std::min<rlim_t>(limit.rlim_max, kMaxConnections + 256);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// An answer that has already been serialised, shared by every stream it goes to.
using Chunk = std::shared_ptr<const std::string>;

class Connection;
class EventStream;

} // namespace

struct HttpServer::Impl : std::enable_shared_from_this<HttpServer::Impl> {
    Impl(const Router& router, Broadcast& broadcast, Gate gate)
        : router(router)
        , broadcast(broadcast)
        , gate(std::move(gate))
    {
    }

    struct Listener {
        tcp::acceptor acceptor;
        bool shared;
    };

    void accept(Listener& listener);
    void admit(Listener& listener, tcp::socket socket);
    std::optional<int> listen(const net::ip::address& address, int port, bool shared);
    // Whether a connection from `peer` on a shared listener may be kept, and counts it.
    bool admitShared(const std::string& peer);
    void releaseShared(const std::string& peer);
    void wakeStreams();
    void keepStreamsAlive();
    // Large bodies wait here, in order, for one of kLargeBodySlots.
    void takeLargeBodySlot(std::function<void()> go);
    void releaseLargeBodySlot();

    ~Impl()
    {
        // Connections still waiting end with the context, and may not start another.
        stopping = true;
        largeBodyQueue.clear();
        listeners.clear();
        keepAlive.reset();
        io.reset();
    }

    // Declared first so that everything a connection touches outlives the context's handlers.
    std::size_t connections { 0 };
    std::size_t largeBodiesInUse { 0 };
    std::deque<std::function<void()>> largeBodyQueue;
    std::list<std::weak_ptr<EventStream>> streams;
    std::map<std::string, std::size_t> sharedByAddress;
    std::size_t sharedConnections { 0 };
    std::list<std::weak_ptr<Connection>> sharedSessions;
    bool stopping { false };
    bool running { false };
    std::optional<net::io_context> io { std::in_place, 1 };
    std::list<Listener> listeners;
    const Router& router;
    Broadcast& broadcast;
    Gate gate;
    std::thread thread;
    std::optional<net::steady_timer> keepAlive { std::in_place, *io };
    std::atomic<bool> wakePending { false };
};

namespace {

// One open event stream: the response head, then the broadcast's messages as they come. It
// waits in the server's list without a thread; only the newest message of each kind is sent,
// so a slow reader falls behind by at most one of each.
class EventStream : public std::enable_shared_from_this<EventStream> {
public:
    EventStream(beast::tcp_stream stream, HttpServer::Impl& server, bool picturesOnly, bool shared)
        : m_stream(std::move(stream))
        , m_server(server)
        , m_picturesOnly(picturesOnly)
        , m_shared(shared)
    {
        ++m_server.connections;
    }
    ~EventStream() { --m_server.connections; }
    bool shared() const { return m_shared; }

    void start()
    {
        write(std::make_shared<const std::string>(
            "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
            "Connection: close\r\n\r\n"));
        watchForClose();
    }
    bool open() const { return m_open; }
    // Sends what the reader has not seen, unless a write is under way (it sends it after).
    void sendNews()
    {
        if (!m_open || m_writing)
            return;
        std::optional<Broadcast::Clock::time_point> heldUntil;
        std::string chunk = m_server.broadcast.next(m_position, m_picturesOnly, &heldUntil);
        if (!chunk.empty())
            write(std::make_shared<const std::string>(std::move(chunk)));
        else if (heldUntil)
            askAgainAt(*heldUntil);
    }
    void sendKeepAlive()
    {
        if (m_open && !m_writing)
            write(std::make_shared<const std::string>(": keep-alive\n\n"));
    }
    void close()
    {
        m_open = false;
        m_askAgain.cancel();
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        m_stream.socket().close(ignored);
    }

private:
    void write(Chunk chunk)
    {
        m_writing = true;
        m_stream.expires_after(kWriteDeadline);
        net::async_write(m_stream, net::buffer(*chunk),
            [self = shared_from_this(), chunk](beast::error_code error, std::size_t) {
                self->m_writing = false;
                if (error)
                    return self->close();
                self->sendNews();
            });
    }
    // One timer a stream, set anew for each hold: a held message costs nothing more.
    void askAgainAt(Broadcast::Clock::time_point when)
    {
        m_askAgain.expires_at(when);
        m_askAgain.async_wait([self = shared_from_this()](beast::error_code error) {
            if (!error)
                self->sendNews();
        });
    }
    // A client sends nothing on a stream: a read that ends means it went away.
    void watchForClose()
    {
        m_stream.socket().async_read_some(
            net::buffer(m_sink), [self = shared_from_this()](beast::error_code error, std::size_t) {
                if (error)
                    return self->close();
                self->watchForClose();
            });
    }

    beast::tcp_stream m_stream;
    HttpServer::Impl& m_server;
    Broadcast::Position m_position;
    bool m_picturesOnly;
    bool m_shared;
    char m_sink[64];
    bool m_open { true };
    bool m_writing { false };
    net::steady_timer m_askAgain { m_stream.get_executor() };
};

// One connection: request after request, each read head first and judged before its body.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, HttpServer::Impl& server, bool shared, std::string peer)
        : m_stream(std::move(socket))
        , m_server(server)
        , m_buffer(kReadBufferBytes)
        , m_shared(shared)
        , m_peer(std::move(peer))
    {
        ++m_server.connections;
        beast::error_code error;
        auto local = m_stream.socket().local_endpoint(error);
        if (!error)
            m_local = local.address().to_string() + ":" + std::to_string(local.port());
    }
    ~Connection()
    {
        releaseSlot();
        if (m_shared)
            m_server.releaseShared(m_peer);
        --m_server.connections;
    }

    void start() { readHead(); }
    void close()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        m_stream.socket().close(ignored);
    }

private:
    void readHead()
    {
        m_parser.emplace();
        m_parser->header_limit(kMaxHeadBytes);
        // The route's own limit is set once the head is read; a declared length is checked
        // against it then, before any of the body is.
        m_parser->body_limit(std::numeric_limits<std::uint64_t>::max());
        m_stream.expires_after(kHeadDeadline);
        http::async_read_header(m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](
                beast::error_code error, std::size_t) { self->onHead(error); });
    }

    void onHead(beast::error_code error)
    {
        if (error == http::error::header_limit || error == http::error::buffer_overflow)
            return refuse(431, "the request's head is too large");
        if (error == http::error::body_limit)
            return refuse(413, "the request body is too large");
        if (unreadable(error))
            return refuse(400, "the request cannot be read as HTTP/1.1");
        if (error)
            return; // the deadline passed or the client went away: the socket closes
        auto& head = m_parser->get();
        if (static_cast<std::size_t>(std::distance(head.begin(), head.end())) > kMaxHeadFields)
            return refuse(431, "the request has too many header fields");
        auto request = std::make_shared<Request>();
        request->loopback = !m_shared;
        request->local = m_local;
        request->method = std::string(head.method_string());
        auto target = parseTarget(head.target());
        if (!target)
            return refuse(400, "the request's address cannot be read");
        request->path = std::move(target->path);
        request->query = std::move(target->query);
        for (auto& field : head)
            request->headers[lowerCase(field.name_string())] = std::string(field.value());
        if (auto refusal = m_server.gate(*request)) {
            m_request = std::move(request);
            return answer(std::move(*refusal), !expectsBody());
        }
        m_request = std::move(request);
        std::size_t limit = m_server.router.maxBody(m_request->method, m_request->path);
        if (auto length = m_parser->content_length(); length && *length > limit)
            return refuse(413, "the request body is too large");
        m_parser->body_limit(limit);
        if (limit <= kMaxRequestBytes || !expectsBody())
            return readBody(kSmallBodyDeadline);
        m_server.takeLargeBodySlot([self = shared_from_this()] {
            self->m_holdsSlot = true;
            self->readBody(kLargeBodyDeadline);
        });
    }

    // A request the parser refused, as against one cut short by the client or the deadline.
    static bool unreadable(beast::error_code error)
    {
        return error && error.category() == make_error_code(http::error::bad_target).category()
            && error != http::error::end_of_stream && error != http::error::partial_message;
    }

    bool expectsBody() const
    {
        auto length = m_parser->content_length();
        return m_parser->chunked() || (length && *length > 0);
    }

    void readBody(std::chrono::seconds deadline)
    {
        // Beast reads as much as the buffer has room for: without room, a large body would
        // come in pieces of a few hundred bytes.
        if (expectsBody())
            m_buffer.reserve(kReadBufferBytes);
        m_stream.expires_after(deadline);
        http::async_read(m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](
                beast::error_code error, std::size_t) { self->onBody(error); });
    }

    void onBody(beast::error_code error)
    {
        if (error == http::error::body_limit)
            return refuse(413, "the request body is too large");
        if (unreadable(error))
            return refuse(400, "the request body cannot be read");
        if (error)
            return;
        auto* request = const_cast<Request*>(m_request.get());
        request->body = std::move(m_parser->get().body());
        m_keepAlive = m_parser->get().keep_alive();
        m_stream.expires_never();
        dispatch();
    }

    // The route answers once, from any thread; a route that takes too long is answered busy.
    // The answer may come after the server has stopped (an image still decoding): it then goes
    // nowhere.
    void dispatch()
    {
        auto answered = std::make_shared<std::atomic<bool>>(false);
        std::weak_ptr<Connection> weak = shared_from_this();
        std::weak_ptr<HttpServer::Impl> server = m_server.shared_from_this();
        Reply reply = [weak, answered, server](Response response) {
            if (answered->exchange(true))
                return;
            auto alive = server.lock();
            if (!alive)
                return;
            net::post(*alive->io, [weak, response = std::move(response)]() mutable {
                if (auto self = weak.lock())
                    self->answerRoute(std::move(response));
            });
        };
        // The wait also keeps the connection while the route works on its answer.
        m_patience.emplace(*m_server.io, kAnswerPatience);
        m_patience->async_wait([self = shared_from_this(), reply](beast::error_code error) {
            if (!error)
                reply(busyAnswer());
        });
        try {
            m_server.router.dispatch(m_request, reply);
        } catch (const std::exception& failure) {
            reply(errorAnswer(500, failure.what()));
        }
    }

    void answerRoute(Response response)
    {
        m_patience.reset();
        answer(std::move(response), m_keepAlive);
    }

    void refuse(int status, std::string_view message)
    {
        answer(errorAnswer(status, message), false);
    }

    void answer(Response response, bool keepAlive)
    {
        if (response.eventStream && response.status == 200)
            return becomeEventStream(response.picturesOnly);
        auto message = std::make_shared<http::response<http::string_body>>();
        message->version(11);
        message->result(static_cast<unsigned>(response.status));
        if (!response.contentType.empty())
            message->set(http::field::content_type, response.contentType);
        for (auto& [name, value] : response.headers)
            message->set(name, value);
        bool head = m_request && m_request->method == "HEAD";
        std::size_t length = response.body.size();
        if (!head)
            message->body() = std::move(response.body);
        message->content_length(length);
        message->keep_alive(keepAlive);
        m_stream.expires_after(kWriteDeadline);
        http::async_write(m_stream, *message,
            [self = shared_from_this(), message](beast::error_code error, std::size_t) {
                self->onWritten(error, message->keep_alive());
            });
    }

    void onWritten(beast::error_code error, bool keepAlive)
    {
        releaseSlot();
        m_request.reset();
        // An idle connection keeps only what a head needs.
        m_buffer.shrink_to_fit();
        if (error)
            return;
        if (!keepAlive)
            return lingerAndClose();
        readHead();
    }

    // After a refusal the client may still be sending what it meant to: closing at once would
    // reset the connection and could lose the answer. What follows is read and dropped, for a
    // bounded time and amount, until the client closes its side.
    void lingerAndClose()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(kLinger);
        drain();
    }
    void drain()
    {
        m_stream.async_read_some(net::buffer(m_sink),
            [self = shared_from_this()](beast::error_code error, std::size_t bytes) {
                self->m_drained += bytes;
                if (!error && self->m_drained < kMaxLingerBytes)
                    self->drain();
            });
    }

    void becomeEventStream(bool picturesOnly)
    {
        releaseSlot();
        m_stream.expires_never();
        auto stream
            = std::make_shared<EventStream>(std::move(m_stream), m_server, picturesOnly, m_shared);
        m_server.streams.push_back(stream);
        stream->start();
    }

    void releaseSlot()
    {
        if (!m_holdsSlot)
            return;
        m_holdsSlot = false;
        m_server.releaseLargeBodySlot();
    }

    beast::tcp_stream m_stream;
    HttpServer::Impl& m_server;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::shared_ptr<const Request> m_request;
    bool m_keepAlive { false };
    bool m_holdsSlot { false };
    std::optional<net::steady_timer> m_patience;
    bool m_shared;
    std::string m_peer;
    std::string m_local;
    char m_sink[4096];
    std::size_t m_drained { 0 };
};

} // namespace

void HttpServer::Impl::accept(Listener& listener)
{
    listener.acceptor.async_accept([this, &listener](beast::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted)
            return;
        if (!error)
            admit(listener, std::move(socket));
        accept(listener);
    });
}

void HttpServer::Impl::admit(Listener& listener, tcp::socket socket)
{
    beast::error_code error;
    auto peer = socket.remote_endpoint(error);
    std::string address = error ? std::string() : peer.address().to_string();
    if (connections >= kMaxConnections || (listener.shared && !admitShared(address))) {
        socket.close(error);
        return;
    }
    // Answers go out as head and body in one write, but without this a kept-alive connection's
    // next answer could wait for the client's delayed acknowledgement.
    socket.set_option(tcp::no_delay(true), error);
    auto connection
        = std::make_shared<Connection>(std::move(socket), *this, listener.shared, address);
    if (listener.shared) {
        sharedSessions.remove_if([](const std::weak_ptr<Connection>& c) { return c.expired(); });
        sharedSessions.push_back(connection);
    }
    connection->start();
}

bool HttpServer::Impl::admitShared(const std::string& peer)
{
    if (sharedConnections >= kMaxSharedConnections
        || sharedByAddress[peer] >= kMaxConnectionsPerSharedAddress)
        return false;
    ++sharedConnections;
    ++sharedByAddress[peer];
    return true;
}

void HttpServer::Impl::releaseShared(const std::string& peer)
{
    --sharedConnections;
    if (--sharedByAddress[peer] == 0)
        sharedByAddress.erase(peer);
}

std::optional<int> HttpServer::Impl::listen(const net::ip::address& address, int port, bool shared)
{
    beast::error_code error;
    tcp::acceptor acceptor(*io);
    tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    acceptor.open(endpoint.protocol(), error);
    if (!error)
        acceptor.set_option(net::socket_base::reuse_address(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    // A burst of connections waits in the kernel's queue rather than being refused.
    if (!error)
        acceptor.listen(net::socket_base::max_listen_connections, error);
    if (error)
        return std::nullopt;
    int bound = acceptor.local_endpoint().port();
    listeners.push_back({ std::move(acceptor), shared });
    if (running)
        accept(listeners.back());
    return bound;
}

void HttpServer::Impl::wakeStreams()
{
    wakePending = false;
    streams.remove_if([](const std::weak_ptr<EventStream>& stream) {
        auto open = stream.lock();
        return !open || !open->open();
    });
    for (auto& stream : streams) {
        if (auto open = stream.lock())
            open->sendNews();
    }
}

void HttpServer::Impl::keepStreamsAlive()
{
    keepAlive->expires_after(kStreamKeepAlive);
    keepAlive->async_wait([this](beast::error_code error) {
        if (error)
            return;
        for (auto& stream : streams) {
            if (auto open = stream.lock())
                open->sendKeepAlive();
        }
        keepStreamsAlive();
    });
}

void HttpServer::Impl::takeLargeBodySlot(std::function<void()> go)
{
    if (largeBodiesInUse < kLargeBodySlots) {
        ++largeBodiesInUse;
        return go();
    }
    largeBodyQueue.push_back(std::move(go));
}

void HttpServer::Impl::releaseLargeBodySlot()
{
    --largeBodiesInUse;
    if (stopping || largeBodyQueue.empty())
        return;
    auto next = std::move(largeBodyQueue.front());
    largeBodyQueue.pop_front();
    ++largeBodiesInUse;
    // Not from inside the releasing connection's own handler.
    net::post(*io, std::move(next));
}

HttpServer::HttpServer(const Router& router, Broadcast& broadcast, Gate gate)
    : m(std::make_shared<Impl>(router, broadcast, std::move(gate)))
{
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    // Few threads allocate much; more arenas would only keep more freed memory.
    mallopt(M_ARENA_MAX, kArenas);
    raiseDescriptorLimit();
    m->broadcast.onPublish([impl = m.get()] {
        if (!impl->wakePending.exchange(true))
            net::post(*impl->io, [impl] { impl->wakeStreams(); });
    });
}

HttpServer::~HttpServer()
{
    stop();
    m->broadcast.onPublish(nullptr);
}

std::optional<int> HttpServer::listenOnLoopback(int port)
{
    return m->listen(net::ip::address_v4::loopback(), port, false);
}

std::optional<int> HttpServer::listenShared(const std::string& address, int port)
{
    beast::error_code error;
    auto parsed = net::ip::make_address(address, error);
    if (error || parsed.is_loopback())
        return std::nullopt;
    if (auto bound = m->listen(parsed, port, true))
        return bound;
    return m->listen(parsed, 0, true);
}

void HttpServer::stopSharing()
{
    m->listeners.remove_if([](Impl::Listener& listener) {
        if (!listener.shared)
            return false;
        beast::error_code ignored;
        listener.acceptor.close(ignored);
        return true;
    });
    for (auto& weak : m->sharedSessions) {
        if (auto connection = weak.lock())
            connection->close();
    }
    m->sharedSessions.clear();
    for (auto& weak : m->streams) {
        auto stream = weak.lock();
        if (stream && stream->shared())
            stream->close();
    }
}

void HttpServer::start()
{
    m->running = true;
    for (auto& listener : m->listeners)
        m->accept(listener);
    m->keepStreamsAlive();
    m->thread = std::thread([impl = m.get()] { impl->io->run(); });
}

void HttpServer::stop()
{
    if (!m->thread.joinable())
        return;
    net::post(*m->io, [impl = m.get()] {
        for (auto& listener : impl->listeners) {
            beast::error_code ignored;
            listener.acceptor.close(ignored);
        }
        for (auto& stream : impl->streams) {
            if (auto open = stream.lock())
                open->close();
        }
        impl->io->stop();
    });
    m->thread.join();
}

} // namespace web
