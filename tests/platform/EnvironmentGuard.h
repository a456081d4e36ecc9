#pragma once
// Sets or unsets environment variables for one scope and puts the old values back after it.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TEnvironmentGuard {
public:
    TEnvironmentGuard() = default;
    TEnvironmentGuard(const TEnvironmentGuard&) = delete;
    TEnvironmentGuard& operator=(const TEnvironmentGuard&) = delete;
    ~TEnvironmentGuard()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? setenv(it->first.c_str(), it->second->c_str(), 1) : unsetenv(it->first.c_str());
    }
    // An empty value unsets the variable.
    TEnvironmentGuard& Set(const std::string& name, const std::string& value)
    {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        return *this;
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
