#pragma once
// A program of ours on a real terminal, as a shell runs it: a pseudo-terminal whose slave side
// is its controlling terminal and its standard input, output and error, the program the
// terminal's foreground job. What the test writes to the master side is typed: Ctrl-C,
// Ctrl-\ and Ctrl-Z reach it as the terminal's signals. The exit status is the program's
// (128 + N for a signal N that ended it), as a shell gives it.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

class TerminalProcess {
public:
    TerminalProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment)
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        const std::string slave = ptsname(master_);
        std::vector<char*> argv, envp;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const std::string& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            // A session of its own, with the terminal as its controlling terminal; in it, as a
            // shell does, the program as the foreground job in a process group of its own. When
            // the job stops, this shell says "[stopped]" and lets it go on.
            setsid();
            const int fd = open(slave.c_str(), O_RDWR);
            if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) != 0)
                _exit(127);
            for (int std = 0; std < 3; ++std)
                dup2(fd, std);
            if (fd > 2)
                close(fd);
            const int keyboardSignals[] = {SIGTTOU, SIGINT, SIGQUIT, SIGTSTP};
            for (int signal : keyboardSignals)
                std::signal(signal, SIG_IGN);
            const pid_t job = fork();
            if (job == 0) {
                setpgid(0, 0);
                tcsetpgrp(0, getpid());
                for (int signal : keyboardSignals)
                    std::signal(signal, SIG_DFL);
                execve(argv[0], argv.data(), envp.data());
                _exit(127);
            }
            setpgid(job, job);
            tcsetpgrp(0, job);
            for (;;) {
                int status = 0;
                if (waitpid(job, &status, WUNTRACED) < 0)
                    _exit(126);
                if (WIFSTOPPED(status)) {
                    (void)!write(1, "[stopped]\n", 10);
                    kill(job, SIGCONT);
                    continue;
                }
                _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            }
        }
    }
    ~TerminalProcess()
    {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
        }
        if (master_ >= 0)
            close(master_);
    }
    TerminalProcess(const TerminalProcess&) = delete;
    TerminalProcess& operator=(const TerminalProcess&) = delete;

    bool ok() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    void Type(const std::string& keys) { EXPECT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

    // What it shows until `end` appears (the terminal's CR LF as LF), waiting at most
    // `milliseconds`; everything shown is added to `shown`.
    std::string ReadUntil(const std::string& end, int milliseconds = 10000)
    {
        std::string read;
        for (int waited = 0; read.find(end) == std::string::npos && waited <= milliseconds; waited += 10) {
            pollfd watch{master_, POLLIN, 0};
            if (poll(&watch, 1, 10) <= 0)
                continue;
            char buffer[512];
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got <= 0)
                break;  // the terminal's last user has gone
            for (ssize_t i = 0; i < got; ++i)
                if (buffer[i] != '\r')
                    read += buffer[i];
        }
        shown += read;
        return read;
    }

    // Waits at most `milliseconds` for it to end, reading what it shows meanwhile; kills it
    // when it does not. Returns the wait status, or -1 when it had to be killed.
    int Finish(int milliseconds = 10000)
    {
        for (int waited = 0; waited < milliseconds; waited += 10) {
            ReadUntil("\x01", 0);  // what it shows, so that it never waits on a full terminal
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                break;
            }
            usleep(10 * 1000);
        }
        if (status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            return -1;
        }
        ReadUntil("\x01", 50);
        return status_;
    }

    std::string shown;

private:
    int master_ = -1;
    pid_t pid_ = -1;
    int status_ = -1;
};
