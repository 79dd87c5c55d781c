// The shell: a script on standard input, and the password prompt under a
// real pseudo-terminal; passwords from a file and the environment, and in
// no trace or history line.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>

#include <chrono>
#include <csignal>

namespace {

// tarnadm on the slave side of a pseudo-terminal; the test types on the master.
class Terminal {
public:
    Terminal(const std::vector<std::string> &args, std::vector<std::string> env, unsigned short columns = 200)
    {
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 40;
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) exec_tarnadm(args, env);
    }
    ~Terminal()
    {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        if (master_ >= 0) close(master_);
    }

    void type(const std::string &keys)
    {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Reads until `text` has appeared since the last call; false after 10 s.
    bool wait_for(const std::string &text)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (seen_.find(text, mark_) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) return false;
            seen_.append(buffer, static_cast<std::size_t>(n));
        }
        mark_ = seen_.find(text, mark_) + text.size();
        return true;
    }

    // The exit status; a process still running after 10 s is killed.
    int wait_exit()
    {
        int status = 0;
        char buffer[4096];
        ssize_t n = 0;
        pid_t done = 0;
        for (int waited = 0; waited < 100 && (done = waitpid(pid_, &status, WNOHANG)) == 0; ++waited) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 100) > 0 && (n = read(master_, buffer, sizeof buffer)) > 0)
                seen_.append(buffer, static_cast<std::size_t>(n));
        }
        if (done == 0) kill(pid_, SIGKILL), waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // The settings tarnadm made on its side of the terminal.
    bool echo_on() const { return (local_modes() & ECHO) != 0; }

    // Waits until the line editor reads keys one by one (canonical mode
    // off); false after 10 s. A key that is the terminal's own (Ctrl-D) typed
    // while a command still runs would reach the editor as another byte.
    bool wait_editing()
    {
        for (int waited = 0; waited < 100; ++waited) {
            if (!(local_modes() & ICANON)) return true;
            pollfd p{master_, POLLIN, 0};
            char buffer[4096];
            ssize_t n = 0;
            if (poll(&p, 1, 100) > 0 && (n = read(master_, buffer, sizeof buffer)) > 0)
                seen_.append(buffer, static_cast<std::size_t>(n));
        }
        return false;
    }

    const std::string &seen() const { return seen_; }

private:
    tcflag_t local_modes() const
    {
        termios t{};
        const int slave = open(ptsname(master_), O_RDWR | O_NOCTTY);
        const tcflag_t modes = slave >= 0 && tcgetattr(slave, &t) == 0 ? t.c_lflag : ICANON;
        if (slave >= 0) close(slave);
        return modes;
    }

    int master_ = -1;
    pid_t pid_ = -1;
    std::string seen_;
    std::size_t mark_ = 0;
};

}  // namespace

using Shell = TarnadmTest;

TEST_F(Shell, ScriptFromStdinKeepsSettingsNamesLinesAndEndsWithTheLastStatus)
{
    Result r = run({},
                   "# a comment\nuse DEMO\nset output json\nshow PRINTER LASER2\n"
                   "set output csv\nlist PRINTER --fields NAME COPIES>1\nshow PRINTER NOPE\n"
                   "list PRINTER --fields NAME NAME=LABELS\nquit\nlist PRINTER\n",
                   {"TARN_NODE="});
    EXPECT_EQ(r.exit, 0) << r.err;  // the last command before quit succeeded
    const std::size_t end = r.out.find('\n');
    EXPECT_EQ(nlohmann::json::parse(r.out.substr(0, end))["STATUS"], "Offline");
    EXPECT_EQ(r.out.substr(end + 1), "NAME\r\nLABELS\r\nLASER2\r\nNAME\r\nLABELS\r\n");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("tarnadm: line 7: cannot show PRINTER NOPE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("node code 1004"), std::string::npos) << r.err;

    r = run({}, "use NOWHERE\nlst PRINTER\nlist PRINTER LOCATON=X\n");
    EXPECT_EQ(r.exit, 2) << r.err;  // the last line's
    EXPECT_NE(r.err.find("line 1: node NOWHERE does not answer; still using DEMO"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 2: unknown command lst (did you mean list?)\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3: unknown field LOCATON (did you mean LOCATION?"), std::string::npos) << r.err;
}

TEST_F(Shell, PasswordsComeFromPromptFileOrEnvironmentAndAreNeverShown)
{
    const std::string trace = work_ + "/trace.txt", passwordFile = work_ + "/secret";
    const std::string password = "demo";
    {
        Terminal t({"--trace=" + trace}, environment({}));
        ASSERT_TRUE(t.wait_for("> "));
        t.type("logon DEMO DEMO\r");
        ASSERT_TRUE(t.wait_for("Password of DEMO on DEMO: "));
        EXPECT_FALSE(t.echo_on());
        t.type(password + "\r");
        ASSERT_TRUE(t.wait_for("logged on to DEMO as DEMO")) << t.seen();
        EXPECT_EQ(t.seen().find(password), std::string::npos) << t.seen();  // not echoed
        t.type("quit\r");
        EXPECT_EQ(t.wait_exit(), 0) << t.seen();
    }
    EXPECT_EQ(sql("SELECT USER_ID FROM SESSIONS"), "DEMO");
    EXPECT_NE(read_file(trace).find("LOGON"), std::string::npos);
    EXPECT_EQ(read_file(trace).find(password), std::string::npos);
    EXPECT_EQ(read_file(work_ + "/.tarnadm_history").find(password), std::string::npos);

    // Ctrl-C at the prompt ends tarnadm with the terminal echoing again.
    {
        Terminal t({"logon", "DEMO", "DEMO"}, environment({}));
        ASSERT_TRUE(t.wait_for("Password of DEMO on DEMO: "));
        t.type("\003");
        EXPECT_EQ(t.wait_exit(), 128 + SIGINT) << t.seen();
    }

    write_file(passwordFile, password + "\n");
    chmod(passwordFile.c_str(), 0640);
    Result r = run({"logoff", "DEMO", "DEMO"});
    EXPECT_EQ(r.exit, 0) << r.err;
    r = run({"logon", "DEMO", "DEMO", "--password-file", passwordFile});
    EXPECT_EQ(r.exit, 2);  // as ssh refuses a key others may read
    EXPECT_NE(r.err.find("has mode 0640: group and others can reach it"), std::string::npos) << r.err;
    chmod(passwordFile.c_str(), 0600);
    r = run({"logon", "DEMO", "DEMO", "--password-file", passwordFile});
    EXPECT_EQ(r.exit, 0) << r.err;
    r = run({"logon", "DEMO", "DEMO", "--password-stdin", "-q"}, password + "\n");
    EXPECT_EQ(r.exit, 0) << r.err;
    r = run({"--user-id", "DEMO", "show", "PRINTER", "LASER1", "-o", "csv", "--fields", "NAME"}, "",
            {"TARN_PASSWORD=" + password});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "NAME\r\nLASER1\r\n");
    EXPECT_EQ(sql("SELECT count(*) FROM SESSIONS"), "0");  // logged off after the command

    r = run({"logon", "DEMO", "DEMO"}, "", {"TARN_PASSWORD=wrong"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("node code 1009"), std::string::npos) << r.err;
    r = run({"logon", "DEMO", "DEMO"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("no password"), std::string::npos) << r.err;
    r = run({"logon", "DEMO", "DEMO", "--password", password});
    EXPECT_EQ(r.exit, 2);  // a password is never an argument
}

// Ctrl-C clears the line being typed, as psql does, and ends a password
// prompt, not the shell; Ctrl-D ends the shell with 0 whatever failed
// before; lines are edited in the terminal's encoding; rows wider than the
// terminal are cut, the cut marked.
TEST_F(Shell, CtrlCClearsTheLineAndCutRowsAreMarked)
{
    Terminal t({}, environment({"LC_ALL=C.UTF-8"}), 60);
    ASSERT_TRUE(t.wait_for("help lists the commands; quit or Ctrl-D ends.")) << t.seen();
    ASSERT_TRUE(t.wait_for("> "));
    t.type("show PRINTER NOPE\r");
    ASSERT_TRUE(t.wait_for("node code 1004")) << t.seen();
    ASSERT_TRUE(t.wait_for("> "));
    t.type("list PRI");
    ASSERT_TRUE(t.wait_for("list PRI"));
    t.type("\003");
    ASSERT_TRUE(t.wait_for("^C")) << t.seen();
    ASSERT_TRUE(t.wait_for("> ")) << t.seen();
    t.type("logon DEMO DEMO\r");  // Ctrl-C at the password prompt ends the logon, not the shell
    ASSERT_TRUE(t.wait_for("Password of DEMO on DEMO: "));
    t.type("\003");
    ASSERT_TRUE(t.wait_for("logon interrupted")) << t.seen();
    ASSERT_TRUE(t.wait_for("> "));
    t.type("list PRINTER NAME=LASER1\r");
    ASSERT_TRUE(t.wait_for("LASER1  Ready")) << t.seen();
    EXPECT_EQ(t.seen().find("PRIlist"), std::string::npos) << t.seen();
    ASSERT_TRUE(t.wait_for("\xE2\x80\xA6\r\n")) << t.seen();  // cut to 60 columns
    ASSERT_TRUE(t.wait_for("> "));
    t.type("define PRINTER NAME=P1 'DESCRIPTION=f\xC3\xBCr \xE2\x9C\x93'\r");
    ASSERT_TRUE(t.wait_for("> "));
    EXPECT_EQ(sql("SELECT PRN_DESC FROM PRINTER WHERE PRN_NAME = 'P1'"), "f\xC3\xBCr \xE2\x9C\x93") << t.seen();
    ASSERT_TRUE(t.wait_editing()) << t.seen();
    t.type("\004");
    EXPECT_EQ(t.wait_exit(), 0) << t.seen();
}

TEST_F(Shell, TabCompletesCommandsKindsFieldsAndKeys)
{
    Terminal t({}, environment({}));
    ASSERT_TRUE(t.wait_for("> "));
    t.type("\t\t");  // every command, and the shell's own words
    ASSERT_TRUE(t.wait_for("> "));
    Words offered = listed_commands(run({"--help"}).out);
    offered.insert({"use", "set", "help", "quit", "exit"});
    for (const std::string &word : offered) EXPECT_NE(t.seen().find(word + " "), std::string::npos) << word;
    EXPECT_EQ(t.seen().find("__"), std::string::npos) << t.seen();  // the script's helpers are not offered

    t.type("validate PRI\tCOP\t1\r");
    ASSERT_TRUE(t.wait_for("\nvalid")) << t.seen();
    t.type("show PRINTER LAS\t\t");  // the keys come from the node
    ASSERT_TRUE(t.wait_for("LASER1  LASER2")) << t.seen();
    t.type("2\r");
    ASSERT_TRUE(t.wait_for("Offline")) << t.seen();
    t.type("quit\r");
    EXPECT_EQ(t.wait_exit(), 0) << t.seen();
}
