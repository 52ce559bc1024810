#include "src/session_link.h"

bool SessionLink::IsConnected() const {
  return process_handle_.load() != 0 || connection_word_.load() != 0;
}

ProProcessHandle SessionLink::ProcessHandle() const {
  ProProcessHandle handle;
  handle.array_index = process_handle_.load();
  handle.auth_key = connection_word_.load();
  return handle;
}

void SessionLink::SetProcessHandle(const ProProcessHandle& handle) {
  process_handle_.store(handle.array_index);
  connection_word_.store(handle.auth_key);
}

std::wstring SessionLink::HandleText() const {
  std::lock_guard<std::mutex> hold(leaf_);
  return handle_text_;
}

void SessionLink::SetHandleText(const std::wstring& text) {
  std::lock_guard<std::mutex> hold(leaf_);
  handle_text_ = text;
}

void SessionLink::Clear() {
  process_handle_.store(0);
  connection_word_.store(0);
  SetHandleText(L"");
}
