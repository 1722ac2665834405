#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>

#include "serve_fixture.h"

// One dexmora-serve with two worker threads for a whole suite whose cases
// only ask; it must end cleanly on SIGTERM. Each `Suite` has its own.
template <typename Suite>
class SharedServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<ServeProcess>(std::vector<std::string>{"--threads", "2"}); }
  static void TearDownTestSuite() {
    EXPECT_EQ(server->stop(SIGTERM), 0) << server->log();
    server.reset();
  }
  static std::string url(const std::string& query) { return server->url("/v1/datamatrix?" + query); }

  static inline std::unique_ptr<ServeProcess> server;
};
