#pragma once
// The session object: one per process, created on first use and never deleted.
// It holds the module-wide lock, the connection to the CAD session (the toolkit's
// process handle), the listen thread that runs the toolkit's event processing, the
// host's event interface and the application handle text sent with every host
// notification, and it shows one-line texts in the session's message area.
//
// Threads: the host's thread (exported operations) and the listen thread. The
// module-wide lock is held by the model operations, menu construction and each
// round of event processing, so toolkit calls from these never overlap. The other
// members are safe to read and write from both threads (atomics, or a leaf mutex
// that is never held across a toolkit or host call).
#include <ProCore.h>
#include <ProObjects.h>
#include <ProToolkit.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "port/lock.h"
#include "src/status_record.h"
#include "tavproe2/com.h"

class ProeCore : public StatusRecord {
 public:
  static ProeCore* Instance();

  ProeCore(const ProeCore&) = delete;
  ProeCore& operator=(const ProeCore&) = delete;

  port::CriticalSection& Lock() { return lock_; }

  // The connection: connected while either word of the process handle is non-zero.
  bool IsConnected() const;
  ProProcessHandle ProcessHandle() const;
  void SetProcessHandle(const ProProcessHandle& handle);

  std::wstring HandleText() const;
  void SetHandleText(const std::wstring& text);

  // Shows "TAV: " + text in the session's message area; failures are ignored.
  void ShowMessage(const std::wstring& text);

  // Writes the session message file, through which ShowMessage's texts reach the
  // session, into the temporary directory unless it is there already. The session
  // looks for it in the text directory it is given at connect, so this runs then:
  // a write that failed once, or a temporary directory that changed, must not
  // leave the session without the module's texts for the rest of the process.
  void EnsureMessageFile();

  // Starts the listen thread unless it runs; the thread runs one round of the
  // toolkit's event processing under the lock every 30 ms until stopped.
  void StartListenThread();

  // Ends the connection: stops the listen thread, calls ProEngineerDisconnect unless
  // the session is already gone, clears the process handle and the handle text.
  // Does nothing when not connected.
  void Disconnect(bool proe_gone);

  // Takes the host's event interface from `host` (null: keeps the one held) and, when
  // one is held, registers the File > New and File > Open notifications.
  void AttachHost(IDispatch* host);

  // The host's event interface with a reference added for the caller, or null.
  ITavCaxEvents* AcquireHostEvents();

  // Test hooks: how many listen threads have been started and not yet ended, and a
  // wait (real time) until that number is `count`.
  int TEST_ListenThreadsRunning() const { return listen_threads_running_.load(); }
  bool TEST_WaitListenThreads(int count, int timeout_ms);

 private:
  ProeCore();
  bool WriteMessageFile(const std::string& path);
  void Reset();
  void ListenLoop(int generation);

  std::atomic<int> process_handle_{0};
  std::atomic<long> connection_word_{0};
  ITavCaxEvents* host_events_ = nullptr;  // guarded by leaf_
  std::wstring handle_text_;              // guarded by leaf_
  wchar_t message_file_[PRO_FILE_NAME_SIZE] = {};
  std::string message_file_path_;  // where it was written last; guarded by leaf_
  std::atomic<int> m_nListen{0};
  port::CriticalSection lock_;

  mutable std::mutex leaf_;
  // A stop request is seen by the thread of the generation it was made for, so a
  // quick Disconnect + StartListenThread never leaves an old thread running.
  std::atomic<int> listen_generation_{0};
  std::atomic<int> listen_threads_running_{0};
  std::condition_variable listen_exited_;
};

// The model's full file name from its model data: "[device:]path" + name + "." +
// type [+ "." + version], name and type in lower case as the files are on disk. The
// version is left out when it is 1 and no file of the versioned name exists. Empty
// for a null model or model data that cannot be read.
std::wstring MdlFullName(ProMdl model);
// The same for callers that must tell a failure from a name: the code of the model
// data query (PRO_TK_BAD_INPUTS for a null model); `name` is set only on success.
ProError MdlFullName(ProMdl model, std::wstring& name);

// Delivers a menu pick to the host by IDispatch::Invoke of "FireClickMenu" with
// (handle text, model full name, menu XML). Called on the listen thread inside the
// lock; leaves the lock while the host runs so the host may call the module again.
void NotifyMenuPick(IDispatch* events, const std::wstring& handle_text,
                    const std::wstring& model_name, const std::wstring& menu_xml);
