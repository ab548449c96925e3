#pragma once

#include <sys/wait.h>

#include <QString>
#include <cstdio>
#include <string>

namespace testing_support {

// Runs a command through the shell and returns its standard output; *status gets the exit
// status (-1 when it did not exit). Used to call the independent checkers (Python, Perl,
// the table tool).
inline std::string runCapture(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// s as one shell word.
inline std::string shellQuote(const QString& s) {
    std::string out = "'";
    for (char c : s.toStdString()) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace testing_support
