#pragma once
// The link to the CAD session: the toolkit's process handle, which says whether
// the module is connected, and the application handle text the host got from
// LoadApplication and gets back with every notification and menu pick.
//
// Owned by ProeCore. Threads: set on the host's thread by the connector, cleared
// there or on the listen thread (the session ended), read on both; every member is
// an atomic or sits behind a leaf mutex never held across a toolkit or host call.
#include <ProCore.h>
#include <atomic>
#include <mutex>
#include <string>

class SessionLink {
 public:
  // Connected while either word of the process handle is non-zero.
  bool IsConnected() const;
  ProProcessHandle ProcessHandle() const;
  void SetProcessHandle(const ProProcessHandle& handle);

  std::wstring HandleText() const;
  void SetHandleText(const std::wstring& text);

  // Forgets the process handle and the handle text.
  void Clear();

 private:
  std::atomic<int> process_handle_{0};
  std::atomic<long> connection_word_{0};
  mutable std::mutex leaf_;
  std::wstring handle_text_;  // guarded by leaf_
};
