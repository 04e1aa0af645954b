// Shared pieces of the configuration dialog tests: a fixture that leaves the
// start-at-login shortcut as it found it, and a raw UDP listener for HEARTBEATs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// Records whether the Startup folder held the shortcut and puts that back.
class ConfigDialogTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    bool had_shortcut_ = false;
};

namespace qntest {

// Listens on the discovery port (shared with the engine through SO_REUSEADDR) until
// a HEARTBEAT datagram of instance_id carrying user arrives; returns that datagram,
// or an empty string after timeout_ms.
std::string wait_for_heartbeat(std::uint16_t port, const std::string& instance_id, const std::string& user,
                               int timeout_ms);

}  // namespace qntest
