// A node's connections: leases, waiting for a free one within the limit,
// owners' connections, and closing broken and idle ones. Connections are
// closed after the pool's lock is released: closing one may talk to the
// node.
#include "pool.hpp"

#include <utility>

namespace routecore {

Lease &Lease::operator=(Lease &&other) noexcept
{
    if (this != &other) {
        end();
        pool_ = std::exchange(other.pool_, nullptr);
        store_ = std::exchange(other.store_, nullptr);
        broken_ = std::exchange(other.broken_, false);
    }
    return *this;
}

void Lease::end() noexcept
{
    if (pool_ && store_) pool_->give_back(*store_, broken_);
    pool_ = nullptr;
    store_ = nullptr;
    broken_ = false;
}

const void *this_thread_token()
{
    static thread_local const char token = 0;
    return &token;
}

NodePool::Connections::iterator NodePool::owned(std::string_view owner)
{
    for (auto it = connections_.begin(); it != connections_.end(); ++it)
        if (it->owner == owner) return it;
    return connections_.end();
}

NodePool::Connections::iterator NodePool::free_shared()
{
    for (auto it = connections_.rbegin(); it != connections_.rend(); ++it)  // the most recently used first
        if (it->owner.empty() && !it->holder) return std::prev(it.base());
    return connections_.end();
}

NodePool::Clock::time_point NodePool::deadline() const
{
    return limits_.wait.count() > 0 ? Clock::now() + limits_.wait : Clock::time_point::max();
}

bool NodePool::wait(std::unique_lock<std::mutex> &hold, Clock::time_point until)
{
    if (until == Clock::time_point::max()) {
        changed_.wait(hold);
        return true;
    }
    return changed_.wait_until(hold, until) == std::cv_status::no_timeout || Clock::now() < until;
}

void NodePool::busy(const std::string &why) const
{
    fail(limits_.busyCode, "Node " + node_ + " has no free connection: " + why);
}

bool NodePool::held_by_this_thread() const
{
    if (opening_ > 0) return false;
    for (const Connection &c : connections_)
        if (c.holder != this_thread_token()) return false;
    return true;
}

void NodePool::sweep(Connections &closing)
{
    const Clock::time_point now = Clock::now();
    for (auto it = connections_.begin(); it != connections_.end();) {
        auto next = std::next(it);
        if (it->owner.empty() && !it->holder && now - it->since > limits_.idle)
            closing.splice(closing.end(), connections_, it);
        it = next;
    }
}

Lease NodePool::take(Connection &connection)
{
    connection.holder = this_thread_token();
    return Lease(*this, *connection.store);
}

namespace {

const char *const kInUseHere = "the connection is held by a request of this thread that has not ended";

std::string limit_text(std::size_t limit, std::chrono::milliseconds wait)
{
    return "all " + std::to_string(limit) + " allowed (KV_ROUTER_AGENTS) stayed in use for " +
           std::to_string(wait.count() / 1000) + " s";
}

}  // namespace

Lease NodePool::lease(std::string_view owner, const Open &open)
{
    Connections closing;
    std::unique_lock<std::mutex> hold(lock_);
    sweep(closing);
    const Clock::time_point until = deadline();
    const std::size_t limit = static_cast<std::size_t>(limits_.connections);
    for (;;) {
        auto mine = owner.empty() ? connections_.end() : owned(owner);
        if (mine != connections_.end()) {
            if (!mine->holder) return take(*mine);
            if (mine->holder == this_thread_token()) busy(kInUseHere);
        } else if (auto idle = free_shared(); idle != connections_.end()) {
            return take(*idle);
        } else if (limit == 0 || open_count() < limit) {
            ++opening_;
            hold.unlock();
            std::unique_ptr<Store> store;
            try {
                store = open();
            } catch (...) {
                hold.lock();
                --opening_;
                changed_.notify_all();
                throw;
            }
            hold.lock();
            --opening_;
            connections_.push_back(Connection{std::move(store), {}, {}, nullptr, Clock::now()});
            return take(connections_.back());
        } else if (held_by_this_thread()) {
            busy(kInUseHere);
        }
        if (!wait(hold, until)) busy(limit_text(limit, limits_.wait));
    }
}

Lease NodePool::lease_owned(std::string_view owner, std::string *tag)
{
    std::unique_lock<std::mutex> hold(lock_);
    const Clock::time_point until = deadline();
    for (;;) {
        auto mine = owned(owner);
        if (mine == connections_.end()) return {};
        if (!mine->holder) {
            if (tag) *tag = mine->tag;
            return take(*mine);
        }
        if (mine->holder == this_thread_token()) busy(kInUseHere);
        if (!wait(hold, until)) busy("the session's connection stayed in use");
    }
}

bool NodePool::owners_full(std::string_view owner, std::size_t &open) const
{
    std::lock_guard<std::mutex> hold(lock_);
    open = 0;
    bool has = false;
    for (const Connection &c : connections_) {
        if (c.owner.empty()) continue;
        ++open;
        has = has || c.owner == owner;
    }
    return !has && limits_.connections > 0 && open + 1 >= static_cast<std::size_t>(limits_.connections);
}

void NodePool::adopt(std::string_view owner, std::string tag, const Open &open)
{
    std::unique_ptr<Store> replaced;
    Connections closing;
    std::unique_lock<std::mutex> hold(lock_);
    const Clock::time_point until = deadline();
    const std::size_t limit = static_cast<std::size_t>(limits_.connections);
    while (limit > 0 && open_count() >= limit) {
        if (auto idle = free_shared(); idle != connections_.end()) {
            closing.splice(closing.end(), connections_, idle);
            continue;
        }
        if (held_by_this_thread()) busy(kInUseHere);
        if (!wait(hold, until)) busy(limit_text(limit, limits_.wait));
    }
    ++opening_;
    hold.unlock();
    closing.clear();
    std::unique_ptr<Store> store;
    try {
        store = open();
    } catch (...) {
        hold.lock();
        --opening_;
        changed_.notify_all();
        throw;
    }
    hold.lock();
    --opening_;
    changed_.notify_all();
    for (auto mine = owned(owner); mine != connections_.end(); mine = owned(owner)) {
        if (!mine->holder) {
            replaced = std::exchange(mine->store, std::move(store));
            mine->tag = std::move(tag);
            return;
        }
        if (mine->holder == this_thread_token()) busy(kInUseHere);
        if (!wait(hold, until)) busy("the session's connection stayed in use");
    }
    connections_.push_back(Connection{std::move(store), std::string(owner), std::move(tag), nullptr, Clock::now()});
}

bool NodePool::remove(std::string_view owner, std::string_view tag)
{
    Connections closing;
    std::unique_lock<std::mutex> hold(lock_);
    const Clock::time_point until = deadline();
    for (;;) {
        auto mine = owned(owner);
        if (mine == connections_.end() || mine->tag != tag) return false;
        if (!mine->holder) {
            closing.splice(closing.end(), connections_, mine);
            changed_.notify_all();
            return true;
        }
        if (mine->holder == this_thread_token()) busy(kInUseHere);
        if (!wait(hold, until)) busy("the session's connection stayed in use");
    }
}

void NodePool::give_back(Store &store, bool broken) noexcept
{
    Connections closing;
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->store.get() != &store) continue;
        it->holder = nullptr;
        it->since = Clock::now();
        if (broken && it->owner.empty()) closing.splice(closing.end(), connections_, it);
        break;
    }
    changed_.notify_all();
}

}  // namespace routecore
