// The [mqtt] table: its values and defaults, and every refusal with its file, line and key.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "gateway/config.h"

namespace kestrel::gateway {
namespace {

const std::string reader = "[[readers]]\nid = \"r1\"\nuri = \"tcp://127.0.0.1:5084\"\nlocation = \"dock\"\n";

TEST(MqttConfig, AbsentTableMeansNoBroker) {
    const GatewayConfig c = parse_config(reader, "gw.toml");
    EXPECT_FALSE(c.mqtt.enabled);
}

TEST(MqttConfig, DefaultsFollowTheGatewayId) {
    const GatewayConfig c = parse_config("[gateway]\nid = \"dock-7\"\n[mqtt]\n" + reader, "gw.toml");
    EXPECT_TRUE(c.mqtt.enabled);
    EXPECT_EQ(c.mqtt.host, "127.0.0.1");
    EXPECT_EQ(c.mqtt.port, 1883);
    EXPECT_EQ(c.mqtt.client_id, "kestrel-dock-7");
    EXPECT_EQ(c.mqtt.topic_prefix, "kestrel/dock-7");
    EXPECT_EQ(c.mqtt.qos, 1);
    EXPECT_FALSE(c.mqtt.commands);
    EXPECT_TRUE(c.mqtt.username.empty());
    EXPECT_TRUE(c.mqtt.ca_file.empty());
}

class MqttConfigFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kestrel-gw-mqttconf.XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        dir = folder;
        for (const char* f : {"ca.pem", "client.pem", "client.key"}) std::ofstream(dir + "/" + f) << "x\n";
        std::ofstream(dir + "/password") << "  s3cret \n";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    GatewayConfig load(const std::string& text) {
        std::ofstream(dir + "/gw.toml") << text;
        return load_config(dir + "/gw.toml");
    }
    std::string dir;
};

TEST_F(MqttConfigFiles, EveryKeyIsReadAndPathsAreRelativeToTheFile) {
    const GatewayConfig c = load(R"([mqtt]
host = "broker.example"
port = 8883
client_id = "site-a"
username = "gw"
password_file = "password"
ca_file = "ca.pem"
cert_file = "client.pem"
key_file = "client.key"
qos = 2
topic_prefix = "plant/site-a"
keepalive_s = 15
commands = true
)" + reader);
    const MqttConfig& m = c.mqtt;
    EXPECT_EQ(m.host, "broker.example");
    EXPECT_EQ(m.port, 8883);
    EXPECT_EQ(m.client_id, "site-a");
    EXPECT_EQ(m.username, "gw");
    EXPECT_EQ(m.password, "s3cret");  // trimmed
    EXPECT_EQ(m.ca_file, dir + "/ca.pem");
    EXPECT_EQ(m.cert_file, dir + "/client.pem");
    EXPECT_EQ(m.key_file, dir + "/client.key");
    EXPECT_EQ(m.qos, 2);
    EXPECT_EQ(m.topic_prefix, "plant/site-a");
    EXPECT_EQ(m.keepalive_s, 15);
    EXPECT_TRUE(m.commands);
}

struct Refusal {
    const char* name;
    std::string table;  // the lines after [mqtt]
    std::string message;
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

class MqttConfigRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(MqttConfigRefusal, NamesTheFileLineAndKey) {
    try {
        parse_config("[mqtt]\n" + GetParam().table + reader, "gw.toml");
        FAIL() << "accepted";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MqttConfigRefusal,
    ::testing::Values(
        Refusal{"UnknownKey", "hots = \"x\"\n", "gw.toml:2: mqtt.hots: unknown key"},
        Refusal{"EmptyHost", "host = \"\"\n", "gw.toml:2: mqtt.host: must not be empty"},
        Refusal{"PortZero", "port = 0\n", "gw.toml:2: mqtt.port: out of range (1..65535)"},
        Refusal{"PortText", "port = \"1883\"\n", "gw.toml:2: mqtt.port: expected an integer"},
        Refusal{"Qos3", "qos = 3\n", "gw.toml:2: mqtt.qos: out of range (0..2)"},
        Refusal{"Wildcard", "topic_prefix = \"site/+/gw\"\n",
                "gw.toml:2: mqtt.topic_prefix: not a topic prefix (no '+', '#', nor a leading or trailing '/')"},
        Refusal{"TrailingSlash", "topic_prefix = \"site/\"\n",
                "gw.toml:2: mqtt.topic_prefix: not a topic prefix (no '+', '#', nor a leading or trailing '/')"},
        Refusal{"PasswordWithoutUser", "password = \"p\"\n", "gw.toml:2: mqtt.password: a password needs a username"},
        Refusal{"PasswordAndFile", "username = \"u\"\npassword = \"p\"\npassword_file = \"f\"\n",
                "gw.toml:4: mqtt.password_file: give password or password_file, not both"},
        Refusal{"PasswordFileMissing", "username = \"u\"\npassword_file = \"/nonexistent/pw\"\n",
                "gw.toml:3: mqtt.password_file: cannot read /nonexistent/pw"},
        Refusal{"CaFileMissing", "ca_file = \"/nonexistent/ca.pem\"\n", "gw.toml:2: mqtt.ca_file: cannot read /nonexistent/ca.pem"},
        Refusal{"KeepaliveShort", "keepalive_s = 1\n", "gw.toml:2: mqtt.keepalive_s: out of range (5..3600)"},
        Refusal{"CommandsNotBool", "commands = \"yes\"\n", "gw.toml:2: mqtt.commands: expected true or false"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MqttConfigFiles, ACertificateNeedsItsKeyAndTheCa) {
    try {
        load("[mqtt]\nca_file = \"ca.pem\"\ncert_file = \"client.pem\"\n" + reader);
        FAIL() << "accepted";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), dir + "/gw.toml:3: mqtt.cert_file: give cert_file and key_file together");
    }
    try {
        load("[mqtt]\ncert_file = \"client.pem\"\nkey_file = \"client.key\"\n" + reader);
        FAIL() << "accepted";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), dir + "/gw.toml:2: mqtt.cert_file: a client certificate needs ca_file (TLS)");
    }
}

}  // namespace
}  // namespace kestrel::gateway
