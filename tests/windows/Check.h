#pragma once
// A very small test framework for the Windows backend tests (no Qt in the cross build): named tests,
// checks that report file and line and carry on, and a non-zero exit status when any check failed.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace check {

struct Test {
    const char* name;
    std::function<void()> body;
};

inline std::vector<Test> tests;
inline int failures = 0;

inline void fail(const char* file, int line, const std::string& what)
{
    ++failures;
    std::printf("FAIL %s:%d: %s\n", file, line, what.c_str());
    std::fflush(stdout);
}

struct Registration {
    Registration(const char* name, std::function<void()> body) { tests.push_back({name, std::move(body)}); }
};

inline int runAll()
{
    for (const Test& test : tests) {
        const int before = failures;
        test.body();
        std::printf("%s %s\n", failures == before ? "PASS" : "FAIL", test.name);
        std::fflush(stdout);
    }
    std::printf("%d test(s), %d failed check(s)\n", int(tests.size()), failures);
    return failures == 0 ? 0 : 1;
}

} // namespace check

#define CHECK_CONCAT2(a, b) a##b
#define CHECK_CONCAT(a, b) CHECK_CONCAT2(a, b)
#define TEST_CASE(name)                                                                           \
    static void name();                                                                           \
    static check::Registration CHECK_CONCAT(registration_, name)(#name, name);                    \
    static void name()
#define CHECK(condition) ((condition) ? void() : check::fail(__FILE__, __LINE__, #condition))
#define CHECK_EQ(actual, expected) CHECK((actual) == (expected))
