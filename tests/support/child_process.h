#pragma once
// A program of ours as a child process, for the tests that need a real process: its standard
// input, output and error on pipes, its exact environment, real signals.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

class ChildProcess {
public:
    // Starts args[0] with args and exactly `environment`; ok() tells whether it started.
    ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment)
    {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        for (int fd : {in[1], out[0], err[0]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<char*> argv, envp;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const std::string& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int fd : {in[0], out[1], err[1]})
            close(fd);
        input_ = in[1];
        output_ = out[0];
        errors_ = err[0];
    }
    ~ChildProcess()
    {
        if (pid_ > 0 && (status_ < 0 || input_ >= 0 || output_ >= 0 || errors_ >= 0))
            Finish();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool ok() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    void Write(const std::string& text)
    {
        EXPECT_EQ(write(input_, text.data(), text.size()), ssize_t(text.size()));
    }
    // The end of its input: the terminal gone.
    void CloseInput()
    {
        if (input_ >= 0)
            close(input_);
        input_ = -1;
    }
    // Its standard output's reader gone, as `| head -1` goes.
    void CloseOutput()
    {
        if (output_ >= 0)
            close(output_);
        output_ = -1;
    }

    // Whether it is still running after `milliseconds`.
    bool RunsFor(int milliseconds)
    {
        usleep(useconds_t(milliseconds) * 1000);
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_)
            return true;
        status_ = status;
        return false;
    }
    // Whether it ends within `milliseconds`; if not, it is killed, so that a test of a program
    // that hangs fails instead of hanging. Finish then gives the wait status.
    bool EndsWithin(int milliseconds)
    {
        for (int waited = 0; waited <= milliseconds; waited += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                return true;
            }
            usleep(10 * 1000);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        return false;
    }
    // Its output up to and including `end` (or to its end), added to out and returned.
    std::string ReadUntil(const std::string& end)
    {
        std::string read;
        char c;
        while ((read.size() < end.size() || read.compare(read.size() - end.size(), end.size(), end) != 0) &&
               ::read(output_, &c, 1) == 1)
            read += c;
        out += read;
        return read;
    }
    // One line of its output, without the line feed.
    std::string ReadLine()
    {
        std::string line = ReadUntil("\n");
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }

    // Waits until it catches `signal` (the kernel lists it in SigCgt), so that the signal meets
    // the program's own handling and not the default action.
    bool WaitUntilCatches(int signal) const
    {
        for (int tries = 0; tries < 2000; ++tries) {
            std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1)
                    return true;
            usleep(10 * 1000);
        }
        return false;
    }

    // Closes its input, reads the rest of both outputs into out and err, waits for it; returns
    // the wait status.
    int Finish()
    {
        CloseInput();
        out += ReadRest(output_);
        err += ReadRest(errors_);
        output_ = errors_ = -1;
        if (status_ < 0)
            waitpid(pid_, &status_, 0);
        return status_;
    }

    std::string out, err;

private:
    static std::string ReadRest(int fd)
    {
        std::string text;
        char buffer[4096];
        for (ssize_t got; fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, size_t(got));
        if (fd >= 0)
            close(fd);
        return text;
    }

    pid_t pid_ = -1;
    int input_ = -1, output_ = -1, errors_ = -1;
    int status_ = -1;
};
