#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "serve_fixture.h"
#include "server/acceptor.h"
#include "server/work_pool.h"

using dexmora::serve::Acceptor;
using dexmora::serve::WorkPool;

namespace {

// What the jobs and the accepting thread report, and a way to wait for it.
class Events {
 public:
  void add(int value) {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_values.push_back(value);
    }
    m_changed.notify_all();
  }
  // Waits until `count` values came (at most 60 s); all of them.
  std::vector<int> await(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_values.size() >= count; });
    return m_values;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<int> m_values;
};

// Each job reports its number when it runs (or its negation when dropped)
// and the pool's load when it is delivered; given a gate, it runs until the
// test opens it.
WorkPool::Job job(int n, Events& ran, Events& loads, WorkPool& pool, std::shared_future<void> gate = {}) {
  return {[n, &ran, gate](bool run) {
            ran.add(run ? n : -n);
            if (gate.valid() && run) gate.wait();
          },
          [&loads, &pool] { loads.add(static_cast<int>(pool.load())); }};
}

TEST(WorkPoolTest, LimitCountsQueuedAndRunningWork) {
  Events ran, loads;
  std::promise<void> gate;
  WorkPool pool(1, 3);
  WorkPool::Job first = job(1, ran, loads, pool, gate.get_future().share());
  ASSERT_TRUE(pool.submit(first));
  ran.await(1);  // the one thread is now held at the gate
  for (int n = 2; n <= 3; ++n) {
    WorkPool::Job next = job(n, ran, loads, pool);
    EXPECT_TRUE(pool.submit(next));
  }
  WorkPool::Job refused = job(4, ran, loads, pool);
  EXPECT_FALSE(pool.submit(refused));
  EXPECT_TRUE(refused.work) << "a refused job is left to its owner";
  EXPECT_EQ(pool.load(), 3u);
  EXPECT_EQ(pool.queued(), 2u);
  gate.set_value();
  EXPECT_EQ(ran.await(3), (std::vector<int>{1, 2, 3}));
  // A job is off the count before its result is handed over: whoever gets it
  // may submit again at once.
  const std::vector<int> seen = loads.await(3);
  EXPECT_EQ(seen, (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(pool.started(), 3u);
  EXPECT_GT(pool.waitedSeconds(), 0.0);
}

TEST(WorkPoolTest, StopDropsQueuedWorkButDeliversIt) {
  Events ran, loads;
  std::promise<void> gate;
  WorkPool pool(1, 10);
  WorkPool::Job held = job(1, ran, loads, pool, gate.get_future().share());
  ASSERT_TRUE(pool.submit(held));
  ran.await(1);
  for (int n = 2; n <= 4; ++n) {
    WorkPool::Job next = job(n, ran, loads, pool);
    ASSERT_TRUE(pool.submit(next));
  }
  std::thread stopper([&] { pool.stop(); });
  // The queued jobs are dropped and delivered while the running one goes on.
  EXPECT_EQ(ran.await(4), (std::vector<int>{1, -2, -3, -4}));
  EXPECT_EQ(loads.await(3).size(), 3u);
  gate.set_value();
  stopper.join();
  EXPECT_EQ(loads.await(4).size(), 4u);
  EXPECT_EQ(pool.load(), 0u);
  WorkPool::Job late = job(5, ran, loads, pool);
  EXPECT_FALSE(pool.submit(late));
}

// Connections handed over and still open never exceed the cap; each close
// lets one more in.
TEST(AcceptorTest, HoldsTheCapAndTakesMoreAsConnectionsClose) {
  const int listening = listeningLoopbackSocket();
  ASSERT_GE(listening, 0);
  const int port = portOf(listening);
  constexpr unsigned kCap = 2;
  Events handed;
  std::mutex mutex;
  std::vector<int> accepted;
  int open = 0, mostOpen = 0;
  Acceptor acceptor({listening}, kCap, [&](int fd, const sockaddr*, socklen_t) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      accepted.push_back(fd);
      mostOpen = std::max(mostOpen, ++open);
    }
    handed.add(fd);
    return true;
  });
  ASSERT_TRUE(acceptor.start());
  std::vector<int> clients;
  for (int i = 0; i < 5; ++i) clients.push_back(connectLoopback(port));
  ASSERT_EQ(handed.await(kCap).size(), kCap);
  for (size_t closes = 1; closes <= 3; ++closes) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      --open;
    }
    acceptor.closed();
    ASSERT_EQ(handed.await(kCap + closes).size(), kCap + closes);
  }
  acceptor.stop();
  EXPECT_EQ(mostOpen, static_cast<int>(kCap));
  EXPECT_LT(connectLoopback(port), 0) << "the listening socket is closed when accepting stops";
  for (const int fd : accepted) close(fd);
  for (const int fd : clients) close(fd);
}

// A connection the receiver refuses is no open connection.
TEST(AcceptorTest, RefusedHandoffsDoNotCount) {
  const int listening = listeningLoopbackSocket();
  ASSERT_GE(listening, 0);
  const int port = portOf(listening);
  Events handed;
  Acceptor acceptor({listening}, 1, [&](int fd, const sockaddr*, socklen_t) {
    close(fd);
    handed.add(fd);
    return false;
  });
  ASSERT_TRUE(acceptor.start());
  std::vector<int> clients;
  for (int i = 0; i < 4; ++i) clients.push_back(connectLoopback(port));
  EXPECT_EQ(handed.await(4).size(), 4u);
  acceptor.stop();
  for (const int fd : clients) close(fd);
}

}  // namespace
