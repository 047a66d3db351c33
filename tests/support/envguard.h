#pragma once
// Sets (or unsets) an environment variable for as long as the guard lives and
// puts back what was there before, also when a check fails and the test
// function returns early.

#include <QByteArray>

#include <optional>

namespace testing {

class ScopedEnv {
public:
    // Sets name to value.
    ScopedEnv(const char* name, const QByteArray& value) : ScopedEnv(name) { qputenv(name_.constData(), value); }
    // Unsets name.
    explicit ScopedEnv(const char* name)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt)
    {
        qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            qputenv(name_.constData(), *old_);
        else
            qunsetenv(name_.constData());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray name_;
    std::optional<QByteArray> old_;
};

} // namespace testing
