// SPDX-License-Identifier: MIT
// Printing, with standard output captured, failing or closed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "mstring.h"

using namespace std::string_literals;

namespace {

// Where the child's stdout goes: a pipe back to us (Captured, or
// Unbuffered), /dev/full unbuffered (Full) or buffered (FullBuffered, where
// a write fails only once the buffer fills), or a closed descriptor.
enum class Out { Captured, Unbuffered, Full, FullBuffered, Closed };

struct Printed {
    int result;
    std::string text;
};

// Runs print in a child with stdout set up as out says.
Printed run(Out out, const std::function<int()> &print)
{
    int text[2], res[2];
    if (pipe(text) != 0 || pipe(res) != 0)
        ADD_FAILURE() << "pipe";
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        close(text[0]);
        close(res[0]);
        if (out == Out::Captured || out == Out::Unbuffered)
            dup2(text[1], 1);
        else if (out == Out::Full || out == Out::FullBuffered)
            dup2(open("/dev/full", O_WRONLY), 1);
        else
            close(1);
        if (out != Out::Captured && out != Out::FullBuffered)
            std::setvbuf(stdout, nullptr, _IONBF, 0);
        int r = print();
        std::fflush(stdout);
        ssize_t w = write(res[1], &r, sizeof r);
        _exit(w == sizeof r ? 0 : 1);
    }
    close(text[1]);
    close(res[1]);
    Printed p{0, ""};
    char buf[4096];
    // Reading stops after 64 KiB, three times what any case prints (and
    // what a failure then shows); closing the pipe ends a child that would
    // print forever (SIGPIPE).
    for (ssize_t n; p.text.size() < 1 << 16 && (n = read(text[0], buf, sizeof buf)) > 0;)
        p.text.append(buf, static_cast<size_t>(n));
    close(text[0]);
    EXPECT_EQ(read(res[0], &p.result, sizeof p.result), static_cast<ssize_t>(sizeof p.result));
    close(res[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return p;
}

struct Lines {
    std::string ms;
    std::string text; // what putms writes
    int lines;
};

const Lines kLines[] = {
    {"a\0b\0\0"s, "a\nb\n", 2},
    {"\0\0"s, "\n", 1},
    {"\0a\0\0"s, "\na\n", 2},
    {"hello\0\xff\x01\0\0junk"s, "hello\n\xff\x01\n", 2},
};

TEST(Print_putms, AllStrings)
{
    for (const Lines &c : kLines) {
        Printed got = run(Out::Captured, [&] { return putms(c.ms.data()); });
        EXPECT_EQ(got.text, c.text);
        // The total is the sum of what puts gave for each line.
        Printed want = run(Out::Captured, [&] {
            int sum = 0;
            for (int n = 1; n <= c.lines; ++n)
                sum += puts(mstrindex(c.ms.data(), n));
            return sum;
        });
        EXPECT_EQ(got.result, want.result);
        EXPECT_EQ(got.text, want.text);
    }
}

TEST(Print_putmss, OneString)
{
    const std::string ms = "\0ab\0c\0\0"s;
    struct {
        int n;
        std::string text;
        int result; // 0, EOF, or 1 for what puts returns
    } cases[] = {
        {0, "", 0}, {1, "\n", 1}, {2, "ab\n", 1}, {3, "c\n", 1}, {4, "\n", 1},
        {5, "", EOF}, {6, "", EOF}, {-1, "", EOF}, {-2147483647 - 1, "", EOF},
    };
    for (const auto &c : cases) {
        Printed got = run(Out::Captured, [&] { return putmss(ms.data(), c.n); });
        EXPECT_EQ(got.text, c.text) << "n = " << c.n;
        if (c.result == 1)
            EXPECT_EQ(got.result, run(Out::Captured, [&] { return puts(c.text.substr(0, c.text.size() - 1).c_str()); }).result);
        else
            EXPECT_EQ(got.result, c.result) << "n = " << c.n;
    }
}

TEST(Print_putmss_putms, FailingWritesAddEofAndGoOn)
{
    for (Out out : {Out::Full, Out::Closed}) {
        for (const Lines &c : kLines) {
            EXPECT_EQ(run(out, [&] { return putms(c.ms.data()); }).result, c.lines * EOF);
            EXPECT_EQ(run(out, [&] { return putmss(c.ms.data(), 1); }).result, EOF);
            EXPECT_EQ(run(out, [&] { return putmss(c.ms.data(), 0); }).result, 0);
        }
    }
}

// In every mode the library's results and text are those of the same puts
// calls made directly, and the child lives to report them: a failed line
// counts EOF and the rest are still written.  The long lines overflow the
// buffer of a buffered /dev/full, so some of its writes fail mid-list.
TEST(Print_putmss_putms, EveryOutputModeMatchesPuts)
{
    const std::string big(10000, 'b');
    std::vector<std::string> lists;
    for (const Lines &c : kLines)
        lists.push_back(c.ms);
    lists.push_back("a\0"s + big + "\0c\0"s + big + "\0\0"s);
    for (Out out : {Out::Captured, Out::Unbuffered, Out::Full, Out::FullBuffered, Out::Closed}) {
        for (const std::string &ms : lists) {
            int count = mstrcount(ms.data());
            Printed got = run(out, [&] { return putms(ms.data()); });
            Printed want = run(out, [&] {
                int sum = 0;
                for (int n = 1; n <= count; ++n)
                    sum += puts(mstrindex(ms.data(), n));
                return sum;
            });
            EXPECT_EQ(got.result, want.result) << static_cast<int>(out) << " " << count;
            EXPECT_EQ(got.text, want.text);
            for (int n = 1; n <= count + 1; ++n) {
                Printed one = run(out, [&] { return putmss(ms.data(), n); });
                Printed direct = run(out, [&] { return puts(mstrindex(ms.data(), n)); });
                EXPECT_EQ(one.result, direct.result) << static_cast<int>(out) << " n = " << n;
                EXPECT_EQ(one.text, direct.text);
            }
        }
    }
}

} // namespace
