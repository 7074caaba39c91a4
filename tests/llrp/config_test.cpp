// The gateway's configuration as kestrel-llrp reads it: the llrp_port of each reader.
#include <gtest/gtest.h>

#include "gateway/config.h"

namespace kestrel::llrp::test {
namespace {

std::string reader(const char* id, const char* extra) {
    return std::string("[[readers]]\nid = \"") + id + "\"\nuri = \"tcp://127.0.0.1:5084\"\nlocation = \"dock\"\n" +
           extra + "\n";
}

TEST(LlrpConfig, ReadsEachReadersLlrpPort) {
    const auto c = gateway::parse_config(reader("a", "llrp_port = 5084") + reader("b", "") + reader("c", "llrp_port = 0"),
                                         "g.toml");
    ASSERT_EQ(c.readers.size(), 3u);
    EXPECT_EQ(c.readers[0].llrp_port, 5084);
    EXPECT_EQ(c.readers[1].llrp_port, -1) << "a reader without llrp_port is not served";
    EXPECT_EQ(c.readers[2].llrp_port, 0) << "0: a free port";
}

TEST(LlrpConfig, RefusesBadPortsWithTheirLine) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {reader("a", "llrp_port = 70000"), "g.toml:5: readers[0].llrp_port: out of range (0..65535)"},
        {reader("a", "llrp_port = \"5084\""), "g.toml:5: readers[0].llrp_port: expected an integer"},
        {reader("a", "llrp_port = 5084") + reader("b", "llrp_port = 5084"),
         "g.toml:10: readers[1].llrp_port: port 5084 is reader \"a\"'s already"},
    };
    for (const Case& c : cases) {
        try {
            gateway::parse_config(c.text, "g.toml");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const gateway::ConfigError& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
    // Two readers on free ports do not clash.
    EXPECT_NO_THROW(gateway::parse_config(reader("a", "llrp_port = 0") + reader("b", "llrp_port = 0"), "g.toml"));
}

}  // namespace
}  // namespace kestrel::llrp::test
