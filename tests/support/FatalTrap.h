#pragma once
// Fatal errors in tests throw instead of ending the process, so a fatal path
// is an ordinary assertion.

#include <stdexcept>
#include <string>

struct FatalErrorThrown : std::runtime_error {
    explicit FatalErrorThrown(const std::string& message) : std::runtime_error(message) {}
};

// Runs `statement` and expects it to end in FatalError with exactly `message`.
#define EXPECT_FATAL(statement, message)                                               \
    do {                                                                               \
        try {                                                                          \
            statement;                                                                 \
            ADD_FAILURE() << "expected a fatal error: " << (message);                  \
        } catch (const FatalErrorThrown& fatal) {                                      \
            EXPECT_EQ(std::string(message), std::string(fatal.what()));                \
        }                                                                              \
    } while (0)
