// sessions.cpp - sessions made at logon, found by cookie, logged off on
// request, when idle too long, and at shutdown.
#include "sessions.hpp"

#include "secret.hpp"

#include <sys/random.h>

#include <vector>

namespace tarnweb {

std::string random_hex(std::size_t bytes)
{
    std::vector<unsigned char> raw(bytes);
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = getrandom(raw.data() + got, bytes - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : raw) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

SessionStore::SessionStore(admcore::Settings base, std::chrono::seconds idle)
    : base_(std::move(base)), idle_(idle), sweeper_([this] { sweep(); })
{}

SessionStore::~SessionStore() { close_all(); }

admcore::Result<std::shared_ptr<WebSession>> SessionStore::open(const std::string &node, const std::string &userId,
                                                                const std::string &password)
{
    auto session = std::make_shared<WebSession>();
    session->id = random_hex(32);
    session->csrf = random_hex(32);
    session->node = node;
    session->userId = userId;
    session->settings = base_;
    session->settings.node = node;
    session->settings.user = "tarnweb-" + random_hex(8);
    admcore::Secret secret;
    if (!secret.assign(password)) return admcore::usage_problem("the password is too long");
    admcore::Result<admcore::StoredSession> done = session->logons.logon(session->settings, userId, secret, 0);
    if (!done) return done.problem();
    std::lock_guard<std::mutex> hold(lock_);
    if (closing_) {
        log_off(*session);
        return admcore::Problem("the console is shutting down", admcore::Outcome::Unreachable);
    }
    sessions_[session->id] = {session, std::chrono::steady_clock::now()};
    return session;
}

std::shared_ptr<WebSession> SessionStore::find(const std::string &id)
{
    std::lock_guard<std::mutex> hold(lock_);
    auto found = sessions_.find(id);
    if (found == sessions_.end()) return nullptr;
    const auto now = std::chrono::steady_clock::now();
    if (now - found->second.lastUsed > idle_) return nullptr;  // the sweeper logs it off
    found->second.lastUsed = now;
    return found->second.session;
}

std::shared_ptr<WebSession> SessionStore::peek(const std::string &id)
{
    std::lock_guard<std::mutex> hold(lock_);
    auto found = sessions_.find(id);
    return found == sessions_.end() ? nullptr : found->second.session;
}

admcore::Failure SessionStore::close(const std::shared_ptr<WebSession> &session)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        sessions_.erase(session->id);
    }
    return log_off(*session);
}

admcore::Failure SessionStore::log_off(WebSession &session)
{
    std::lock_guard<std::mutex> turn(session.turn);
    if (!session.open) return std::nullopt;
    session.open = false;
    session.kinds.forget();
    return session.logons.logoff_node(session.settings, session.userId);
}

void SessionStore::close_all()
{
    std::unordered_map<std::string, Entry> all;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closing_ && !sweeper_.joinable()) return;
        closing_ = true;
        all.swap(sessions_);
    }
    wake_.notify_all();
    if (sweeper_.joinable()) sweeper_.join();
    for (auto &[id, entry] : all) log_off(*entry.session);
}

std::size_t SessionStore::size()
{
    std::lock_guard<std::mutex> hold(lock_);
    return sessions_.size();
}

// Wakes a few times per idle time and logs off the sessions idle past it.
void SessionStore::sweep()
{
    const auto interval = std::max(std::chrono::seconds(1), idle_ / 4);
    std::unique_lock<std::mutex> hold(lock_);
    while (!closing_) {
        wake_.wait_for(hold, interval);
        const auto now = std::chrono::steady_clock::now();
        std::vector<std::shared_ptr<WebSession>> idle;
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (now - it->second.lastUsed > idle_) {
                idle.push_back(it->second.session);
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
        hold.unlock();
        for (const auto &session : idle) log_off(*session);
        hold.lock();
    }
}

}  // namespace tarnweb
