// Sessions of tarnadm on the demo router: a logon holds across runs until
// logoff or expiry, a read-only user's later runs read and are refused
// writes, an untrusted session store is refused with nothing sent, and the
// password stays out of traces, listings, /proc and a core image.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <random>

namespace {

mode_t mode_of(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool holds(const std::string &haystack, const std::string &needle)
{
    return haystack.find(needle) != std::string::npos;
}

}  // namespace

class Sessions : public TarnadmTest {
protected:
    void SetUp() override
    {
        TarnadmTest::SetUp();
        passwordFile_ = work_ + "/reader-password";
        write_file(passwordFile_, "reader\n");
        chmod(passwordFile_.c_str(), 0600);
    }
    Result logon() const { return run({"logon", "DEMO", "READER", "--password-file", passwordFile_}); }
    std::string copies() const { return sql("SELECT PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'LASER1'"); }
    std::string passwordFile_;
};

TEST_F(Sessions, ALogonHoldsAcrossRunsUntilLogoffOrExpiry)
{
    Result r = logon();
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string file = session_file();
    EXPECT_NE(r.out.find("logged on to DEMO as READER until "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(session kept in " + file + ")"), std::string::npos) << r.out;
    EXPECT_EQ(mode_of(store()), 0700u);
    EXPECT_EQ(mode_of(file), 0600u);

    // Later runs act as READER, who may only read.
    r = run({"alter", "PRINTER", "LASER1", "COPIES=3"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("node code 1011"), std::string::npos) << r.err;
    EXPECT_EQ(copies(), "1");
    r = run({"show", "PRINTER", "LASER1", "-o", "csv", "--fields", "COPIES"});
    EXPECT_EQ(r.out, "COPIES\r\n1\r\n") << r.err;
    r = run({"sessions", "-o", "json"});
    const auto listed = nlohmann::json::parse(r.out);
    ASSERT_EQ(listed.size(), 1u) << r.out;
    EXPECT_EQ(listed[0]["USER"], "READER");
    EXPECT_EQ(listed[0]["STATE"], "active");

    // After logoff the node's own access applies again (the demo router has no map).
    r = run({"logoff", "DEMO"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(session_file(), "");
    EXPECT_EQ(sql("SELECT count(*) FROM SESSIONS"), "0");
    EXPECT_EQ(run({"alter", "PRINTER", "LASER1", "COPIES=3"}).exit, 0);
    EXPECT_EQ(run({"logoff", "DEMO"}).exit, 1);

    // An expired session ends the command that finds it, with nothing sent.
    ASSERT_EQ(logon().exit, 0);
    std::string text = read_file(session_file());
    text.replace(text.find("expires="), text.find('\n', text.find("expires=")) - text.find("expires="), "expires=1");
    write_file(session_file(), text);
    r = run({"alter", "PRINTER", "LASER1", "COPIES=4", "-o", "json"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(nlohmann::json::parse(r.err)["error"].get<std::string>().find("expired at"), std::string::npos);
    EXPECT_EQ(copies(), "3");
    EXPECT_EQ(session_file(), "");
    EXPECT_EQ(sql("SELECT count(*) FROM SESSIONS"), "0");
    EXPECT_EQ(run({"alter", "PRINTER", "LASER1", "COPIES=4"}).exit, 0);
}

TEST_F(Sessions, AnUntrustedStoreIsRefusedWithNothingSent)
{
    ASSERT_EQ(logon().exit, 0);
    const std::string file = session_file();
    const std::vector<std::string> alter = {"alter", "PRINTER", "LASER1", "COPIES=5"};
    chmod(file.c_str(), 0644);
    Result r = run(alter);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(file + " has mode 0644: it must give others no access"), std::string::npos) << r.err;
    chmod(file.c_str(), 0600);
    ASSERT_EQ(chown(file.c_str(), 1, static_cast<gid_t>(-1)), 0);
    r = run(alter);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(file + " belongs to user id 1, not to this user"), std::string::npos) << r.err;
    ASSERT_EQ(chown(file.c_str(), geteuid(), static_cast<gid_t>(-1)), 0);
    chmod(store().c_str(), 0755);
    r = run(alter);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("the session directory " + store() + " has mode 0755"), std::string::npos) << r.err;
    chmod(store().c_str(), 0700);
    std::filesystem::rename(file, work_ + "/moved");
    std::filesystem::create_symlink(work_ + "/moved", file);
    r = run(alter);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(file + " is a link: refused"), std::string::npos) << r.err;
    EXPECT_EQ(copies(), "1");
}

// The password reaches no trace line, no listing, no argument list, no
// environment of the running process and no core image of it.
TEST_F(Sessions, ThePasswordStaysOutOfTracesProcessesAndCoreImages)
{
    std::random_device random;
    const std::string password = "pw-" + std::to_string(random()) + "-" + std::to_string(random());
    const std::string canary = "canary-" + std::to_string(random()) + std::to_string(random());
    ASSERT_EQ(run_program(TARNUSER, {data_, "DEMO", "READER"}, password + "\n").exit, 0);
    const std::string trace = work_ + "/trace.txt";

    expect_password_kept_out({"--trace=" + trace},
                             "logon DEMO READER\nlist PRINTER NAME=LASER1\nset fields " + canary + "\n", "LASER1",
                             password, canary);

    // A later run brings the session back; neither run traces the password.
    Result r = run({"--trace=" + trace, "list", "PRINTER"});
    EXPECT_EQ(r.exit, 0) << r.err;
    r = run({"sessions", "-o", "csv"});
    EXPECT_TRUE(holds(r.out, "READER"));
    EXPECT_FALSE(holds(r.out + r.err, password));
    const std::string traced = read_file(trace);
    EXPECT_TRUE(holds(traced, "LOGON"));
    EXPECT_FALSE(holds(traced, password));
}
