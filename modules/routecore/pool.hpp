// The connections of one node, shared by the requests of every thread of a
// process. A request takes a connection for itself (a Lease), so no two
// threads ever use one at once, and gives it back when it ends; a given-back
// connection waits for the next request, and is closed when it broke or
// stayed unused for a while. A connection may belong to an owner (a local
// user's logon session, with a tag such as its role): that owner's requests
// use it, one at a time, and no one else's.
#pragma once

#include "routecore.hpp"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>

namespace routecore {

class NodePool;

// One connection held by one thread, for one request or (a batch) for
// several in one transaction; handed back when the lease ends.
class Lease {
public:
    Lease() = default;
    Lease(NodePool &pool, Store &store) : pool_(&pool), store_(&store) {}
    Lease(Lease &&other) noexcept { *this = std::move(other); }
    Lease &operator=(Lease &&other) noexcept;
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;
    ~Lease() { end(); }

    explicit operator bool() const { return store_ != nullptr; }
    Store &store() const { return *store_; }
    // The connection broke: a shared one is closed when handed back, an
    // owner's is kept to be repaired before its next use.
    void mark_broken() { broken_ = true; }
    // Hands the connection back now.
    void end() noexcept;

private:
    NodePool *pool_ = nullptr;
    Store *store_ = nullptr;
    bool broken_ = false;
};

// The identity of the calling thread, for telling who holds a connection.
const void *this_thread_token();

class NodePool {
public:
    struct Limits {
        int connections = 0;                               // at most this many open, owners' included; 0: no limit
        std::chrono::milliseconds wait{0};                 // for a connection to be handed back; 0: no limit
        std::chrono::seconds idle{300};                    // a shared connection unused this long is closed
        unsigned busyCode = TARN_ROUTER_RC_STORAGE_ERROR;  // the code of a wait that ran out
    };
    using Open = std::function<std::unique_ptr<Store>()>;

    NodePool(std::string node, Limits limits) : node_(std::move(node)), limits_(limits) {}
    NodePool(const NodePool &) = delete;
    NodePool &operator=(const NodePool &) = delete;

    // The owner's connection when it has one (waiting while another thread
    // uses it), else a free shared connection, opened with `open` when none
    // is free and the limit allows one more. Fails with busyCode when the
    // wait runs out, or at once when the connection waited for is held by
    // this very thread (a request made from inside another's answer).
    Lease lease(std::string_view owner, const Open &open);
    // The owner's connection, or an empty lease when it has none; `tag`
    // gets its tag.
    Lease lease_owned(std::string_view owner, std::string *tag = nullptr);

    // Opens the owner's connection with `open` once a slot is free (an idle
    // shared connection is closed to make room, else it waits), then puts it
    // in place of the one the owner had.
    void adopt(std::string_view owner, std::string tag, const Open &open);
    // Whether one more owner would leave the shared requests no connection
    // (owners keep at most limit - 1); `open` gets the owners' count.
    bool owners_full(std::string_view owner, std::size_t &open) const;
    // Closes the owner's connection (waiting while it is in use); false
    // when the owner has none or `tag` differs from its tag.
    bool remove(std::string_view owner, std::string_view tag);

    void give_back(Store &store, bool broken) noexcept;

    const std::string &node() const { return node_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Connection {
        std::unique_ptr<Store> store;
        std::string owner;  // "" for a shared connection
        std::string tag;
        const void *holder = nullptr;  // the thread using it, else null
        Clock::time_point since;       // handed back at
    };
    using Connections = std::list<Connection>;

    Connections::iterator owned(std::string_view owner);
    Connections::iterator free_shared();
    std::size_t open_count() const { return connections_.size() + opening_; }
    // Waits for a change until the deadline: false when it ran out.
    bool wait(std::unique_lock<std::mutex> &hold, Clock::time_point deadline);
    Clock::time_point deadline() const;
    [[noreturn]] void busy(const std::string &why) const;
    // Moves the shared connections idle past the limit into `closing`.
    void sweep(Connections &closing);
    bool held_by_this_thread() const;
    Lease take(Connection &connection);

    const std::string node_;
    const Limits limits_;
    mutable std::mutex lock_;
    std::condition_variable changed_;  // a connection was handed back, added or closed
    Connections connections_;
    std::size_t opening_ = 0;  // shared connections being opened
};

}  // namespace routecore
