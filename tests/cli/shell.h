#pragma once

// Runs a command line through the shell, as a user's script runs tarvol-table, and keeps what it printed.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tarvol::test {

struct Ran {
    std::string out;
    std::string err; // filled by callers that send standard error to a file
    int status = -1; // the exit status, -1 when the command did not exit normally
};

inline Ran runShell(const std::string& command)
{
    Ran r;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace tarvol::test
