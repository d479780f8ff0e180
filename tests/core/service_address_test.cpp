#include "core/service_address.h"

#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr const char* kVariable = "KSBY_TEST_SERVICE_BASE";

TEST(ServiceAddressTest, SetThenEnvironmentThenDefault) {
    struct Case {
        const char* name;
        std::optional<std::string> environment;
        std::optional<std::string> set;
        std::string value;
    };
    const Case cases[] = {
        {"default", std::nullopt, std::nullopt, "http://127.0.0.1:9"},
        {"environment", "http://example.test:81", std::nullopt, "http://example.test:81"},
        {"environment's slash dropped", "http://example.test:81/", std::nullopt,
         "http://example.test:81"},
        {"set wins", "http://example.test:81", "http://127.0.0.1:5000/", "http://127.0.0.1:5000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ksb::test::ScopedEnv environment(kVariable, c.environment);
        ksb::ServiceAddress address("test base", kVariable, "http://127.0.0.1:9");
        if (c.set) {
            address.set(*c.set);
        }
        EXPECT_EQ(c.value, address.value());
    }
}

TEST(ServiceAddressTest, TheEnvironmentIsReadOnceUntilReset) {
    ksb::test::ScopedEnv environment(kVariable, std::string("http://first.test"));
    ksb::ServiceAddress address("test base", kVariable, "http://127.0.0.1:9");
    EXPECT_EQ("http://first.test", address.value());
    {
        const ksb::test::ScopedEnv changed(kVariable, std::string("http://second.test"));
        EXPECT_EQ("http://first.test", address.value());
        address.set("http://set.test");
        address.reset();
        EXPECT_EQ("http://second.test", address.value());
    }
}

} // namespace
