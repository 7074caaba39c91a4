// Configuration: a valid file read whole, and every refusal with its file, line and key.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gateway/config.h"
#include "kestrel/reader.h"

namespace kestrel::gateway {
namespace {

constexpr const char* reader_table = "[[readers]]\nid = \"r1\"\nuri = \"tcp://127.0.0.1:5084\"\nlocation = \"dock\"\n";

TEST(GatewayConfig, AFullFileIsReadWithItsValues) {
    const std::string text = R"(
[gateway]
id = "hall-gw"
listen = "0.0.0.0"
port = 9090
token = "0123456789abcdef"
max_stream_clients = 4

[inventory]
standards = ["epc", "gjb"]
period_ms = 500
per_block = 16

[events]
departure_timeout_s = 2.5
raw_reads = true

[store]
path = "data/events.db"
max_events = 5000
max_age_days = 1.5

[[readers]]
id = "dock-1"
uri = "tcp://192.168.1.200:5084?address=1"
location = "dock"

[[readers]]
id = "gate.2"
uri = "serial:///dev/ttyUSB0?baud=115200"
location = "gate"
standards = ["gb"]
)";
    const GatewayConfig c = parse_config(text, "/etc/kg/gw.toml");
    EXPECT_EQ(c.id, "hall-gw");
    EXPECT_EQ(c.listen, "0.0.0.0");
    EXPECT_EQ(c.port, 9090);
    EXPECT_EQ(c.token, "0123456789abcdef");
    EXPECT_EQ(c.max_stream_clients, 4);
    EXPECT_EQ(c.period_ms, 500);
    EXPECT_EQ(c.per_block, 16);
    EXPECT_EQ(c.departure_timeout_ms, 2500);
    EXPECT_TRUE(c.raw_reads);
    EXPECT_EQ(c.store_path, "/etc/kg/data/events.db");  // relative to the file's folder
    EXPECT_EQ(c.max_events, 5000);
    EXPECT_EQ(c.max_age_s, 129'600);
    ASSERT_EQ(c.readers.size(), 2u);
    EXPECT_EQ(c.readers[0].id, "dock-1");
    EXPECT_EQ(c.readers[0].location, "dock");
    EXPECT_EQ(c.readers[0].standards, (std::vector<int>{KESTREL_STANDARD_EPC, KESTREL_STANDARD_GJB}));
    EXPECT_EQ(c.readers[1].uri, "serial:///dev/ttyUSB0?baud=115200");
    EXPECT_EQ(c.readers[1].standards, (std::vector<int>{KESTREL_STANDARD_GB}));
}

TEST(GatewayConfig, DefaultsWhereTheFileIsSilent) {
    const GatewayConfig c = parse_config(reader_table, "gw.toml");
    EXPECT_EQ(c.id, "kestrel-gateway");
    EXPECT_EQ(c.listen, "127.0.0.1");
    EXPECT_EQ(c.port, 8080);
    EXPECT_TRUE(c.token.empty());
    EXPECT_EQ(c.departure_timeout_ms, 30'000);
    EXPECT_FALSE(c.raw_reads);
    EXPECT_EQ(c.store_path, "kestrel-gateway.db");
    EXPECT_EQ(c.readers.at(0).standards, std::vector<int>{KESTREL_STANDARD_EPC});
}

struct Refusal {
    const char* name;
    std::string text;
    const char* message;  // the whole line
};

void PrintTo(const Refusal& refusal, std::ostream* os) { *os << refusal.name; }

class GatewayConfigRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(GatewayConfigRefusal, NamesTheFileLineAndKey) {
    try {
        parse_config(GetParam().text, "gw.toml");
        FAIL() << "accepted";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

const std::string r = reader_table;

INSTANTIATE_TEST_SUITE_P(
    Cases, GatewayConfigRefusal,
    ::testing::Values(
        Refusal{"Syntax", "[gateway]\nport = = 3\n" + r, "gw.toml:2: column 8: Error while parsing value: could not determine value type"},
        Refusal{"UnknownTopLevel", "[gatway]\nport = 1\n" + r, "gw.toml:1: gatway: unknown key"},
        Refusal{"UnknownKey", "[events]\ndeparture_timout_s = 3\n" + r, "gw.toml:2: events.departure_timout_s: unknown key"},
        Refusal{"PortType", "[gateway]\nport = \"80\"\n" + r, "gw.toml:2: gateway.port: expected an integer"},
        Refusal{"PortRange", "[gateway]\n\nport = 70000\n" + r, "gw.toml:3: gateway.port: out of range (0..65535)"},
        Refusal{"GatewayId", "[gateway]\nid = \"a b\"\n" + r,
                "gw.toml:2: gateway.id: use 1 to 64 letters, digits, '_', '-' or '.'"},
        Refusal{"ShortToken", "[gateway]\ntoken = \"abc\"\n" + r,
                "gw.toml:2: gateway.token: too short (at least 16 characters)"},
        Refusal{"TokenAndFile", "[gateway]\ntoken = \"0123456789abcdef\"\ntoken_file = \"t\"\n" + r,
                "gw.toml:3: gateway.token_file: give token or token_file, not both"},
        Refusal{"TokenFileMissing", "[gateway]\ntoken_file = \"/nonexistent/token\"\n" + r,
                "gw.toml:2: gateway.token_file: cannot read /nonexistent/token"},
        Refusal{"TokenSpaces", "[gateway]\ntoken = \"0123456789 abcdef\"\n" + r,
                "gw.toml:2: gateway.token: the token must be printable ASCII without spaces"},
        Refusal{"UnknownStandard", "[inventory]\nstandards = [\"epc\", \"iso\"]\n" + r,
                "gw.toml:2: inventory.standards: unknown standard (expected \"epc\", \"gb\" or \"gjb\")"},
        Refusal{"NoStandard", "[inventory]\nstandards = []\n" + r,
                "gw.toml:2: inventory.standards: must name at least one standard"},
        Refusal{"StandardTwice", "[inventory]\nstandards = [\"gb\", \"gb\"]\n" + r,
                "gw.toml:2: inventory.standards: standard \"gb\" named twice"},
        Refusal{"PeriodNegative", "[inventory]\nperiod_ms = -1\n" + r,
                "gw.toml:2: inventory.period_ms: out of range (0..3600000)"},
        Refusal{"PerBlock", "[inventory]\nper_block = 0\n" + r, "gw.toml:2: inventory.per_block: out of range (1..255)"},
        Refusal{"TimeoutZero", "[events]\ndeparture_timeout_s = 0\n" + r,
                "gw.toml:2: events.departure_timeout_s: out of range (0.1..86400)"},
        Refusal{"TimeoutText", "[events]\ndeparture_timeout_s = \"30s\"\n" + r,
                "gw.toml:2: events.departure_timeout_s: expected a number"},
        Refusal{"RawReads", "[events]\nraw_reads = 1\n" + r, "gw.toml:2: events.raw_reads: expected true or false"},
        Refusal{"MaxEvents", "[store]\nmax_events = 10\n" + r, "gw.toml:2: store.max_events: out of range (100..1000000000)"},
        Refusal{"EmptyPath", "[store]\npath = \"\"\n" + r, "gw.toml:2: store.path: must not be empty"},
        Refusal{"SectionNotTable", "events = 3\n" + r, "gw.toml:1: events: expected a table"},
        Refusal{"NoReaders", "[gateway]\nport = 1\n", "gw.toml:1: readers: missing: name at least one reader in a [[readers]] table"},
        Refusal{"ReadersNotTables", "readers = [1, 2]\n", "gw.toml:1: readers: expected [[readers]] tables"},
        Refusal{"ReaderIdMissing", "[[readers]]\nuri = \"usb\"\nlocation = \"x\"\n", "gw.toml:1: readers[0].id: missing"},
        Refusal{"ReaderUriMissing", r + "[[readers]]\nid = \"r2\"\nlocation = \"x\"\n", "gw.toml:5: readers[1].uri: missing"},
        Refusal{"ReaderUriScheme", "[[readers]]\nid = \"r1\"\nuri = \"http://x\"\nlocation = \"x\"\n",
                "gw.toml:3: readers[0].uri: not a reader URI (serial:..., tcp://HOST:PORT, usb or usb:N)"},
        Refusal{"ReaderLocationMissing", "[[readers]]\nid = \"r1\"\nuri = \"usb:0\"\n", "gw.toml:1: readers[0].location: missing"},
        Refusal{"ReaderIdTwice", r + "[[readers]]\nid = \"r1\"\nuri = \"usb\"\nlocation = \"y\"\n",
                "gw.toml:6: readers[1].id: reader \"r1\" named twice"},
        Refusal{"ReaderBadId", "[[readers]]\nid = \"r/1\"\nuri = \"usb\"\nlocation = \"y\"\n",
                "gw.toml:2: readers[0].id: use 1 to 64 letters, digits, '_', '-' or '.'"},
        Refusal{"ReaderUnknownKey", r + "antena = 2\n", "gw.toml:5: readers[0].antena: unknown key"},
        Refusal{"ReaderStandards", r + "standards = \"epc\"\n",
                "gw.toml:5: readers[0].standards: expected an array of standards (\"epc\", \"gb\", \"gjb\")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GatewayConfig, TokenFileIsReadRelativeToTheConfigAndTrimmed) {
    char folder[] = "/tmp/kestrel-gw-config.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string dir = folder;
    std::ofstream(dir + "/token") << "  0123456789abcdefXYZ\n";
    std::ofstream(dir + "/gw.toml") << "[gateway]\ntoken_file = \"token\"\n" << reader_table;
    const GatewayConfig c = load_config(dir + "/gw.toml");
    EXPECT_EQ(c.token, "0123456789abcdefXYZ");
    std::remove((dir + "/token").c_str());
    std::remove((dir + "/gw.toml").c_str());
    ::rmdir(folder);
}

TEST(GatewayConfig, AMissingFileIsOneLine) {
    try {
        load_config("/nonexistent/gw.toml");
        FAIL() << "accepted";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), "/nonexistent/gw.toml:0: cannot read the file");
    }
}

}  // namespace
}  // namespace kestrel::gateway
