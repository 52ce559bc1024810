#pragma once
// The session object: one per process, created on first use and never deleted. It
// holds the module-wide lock and the parts that live as long as the process: the
// session link (src/session_link.h), the listen thread (src/listen_thread.h), host
// delivery (src/host_delivery.h) and the session message file
// (src/session_message_file.h); each part's header states its contract. Of its
// own it ends a connection, which takes several of them.
//
// Threads: the host's thread (exported operations) and the listen thread. The
// module-wide lock is held by the model operations, menu construction and each
// round of event processing, so toolkit calls from these never overlap; the parts
// guard their own state with atomics or leaf mutexes.
#include <ProToolkit.h>
#include <string>

#include "port/lock.h"
#include "src/host_delivery.h"
#include "src/listen_thread.h"
#include "src/session_link.h"
#include "src/session_message_file.h"
#include "src/status_record.h"

class ProeCore : public StatusRecord {
 public:
  static ProeCore* Instance();

  ProeCore(const ProeCore&) = delete;
  ProeCore& operator=(const ProeCore&) = delete;

  port::CriticalSection& Lock() { return lock_; }
  SessionLink& Link() { return link_; }
  ListenThread& Listener() { return listener_; }
  HostDelivery& Host() { return host_; }
  SessionMessageFile& Messages() { return messages_; }

  bool IsConnected() const { return link_.IsConnected(); }
  std::wstring HandleText() const { return link_.HandleText(); }

  // Ends the connection: stops the listen thread, calls ProEngineerDisconnect unless
  // the session is already gone, clears the session link. Does nothing when not
  // connected.
  void Disconnect(bool proe_gone);

  int TEST_ListenThreadsRunning() const { return listener_.TEST_Running(); }
  bool TEST_WaitListenThreads(int count, int timeout_ms) {
    return listener_.TEST_WaitRunning(count, timeout_ms);
  }

 private:
  ProeCore();

  port::CriticalSection lock_;
  SessionLink link_;
  ListenThread listener_{lock_};
  HostDelivery host_{link_};
  SessionMessageFile messages_;
};
