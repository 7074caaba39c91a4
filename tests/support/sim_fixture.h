// A simulated reader on a pseudo-terminal, with KESTREL_COM1 pointing at it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "kestrel.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"

namespace kestrel::test {

class SimulatedReader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.start()) << pty.error();
        ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
    }
    void TearDown() override {
        UnLinkCom();
        pty.stop();
        ::unsetenv("KESTREL_COM1");
    }

    sim::ReaderModel model;
    sim::PtySimulator pty{model};
};

}  // namespace kestrel::test
