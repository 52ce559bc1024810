#pragma once
// Host delivery: the one holder of the host's event interface, and the way every
// event of the session reaches the host: File > New and File > Open through
// ITavCaxEvents, menu picks through IDispatch "FireClickMenu", each with the
// application handle text of the session link.
//
// Owned by ProeCore; the menu manager delivers its picks through it. The interface
// stays held after a connection ends, so that a later connection made without a
// host still tells the held one of new and opened models; menu picks go only to
// the host given with the current connection, from AttachHost until ClosePicks.
//
// Threads: AttachHost and ClosePicks run on the host's thread (ClosePicks also on
// the listen thread when the session ends); the notifications and picks arrive on
// the listen thread. The members sit behind a leaf mutex, never held across a
// toolkit or host call.
#include <mutex>
#include <string>

#include "src/session_link.h"
#include "tavproe2/com.h"

class HostDelivery {
 public:
  explicit HostDelivery(const SessionLink& link) : link_(link) {}
  HostDelivery(const HostDelivery&) = delete;
  HostDelivery& operator=(const HostDelivery&) = delete;

  // Takes the host's event interface from `host` (null: keeps the one held) and
  // opens menu picks to it; when one is held, registers the File > New and File >
  // Open notifications.
  void AttachHost(IDispatch* host);
  // Ends menu picks for the connection: none reaches a host until AttachHost.
  void ClosePicks();

  // The host's event interface with a reference added for the caller, or null:
  // for the model notifications, and for menu picks while they are open.
  ITavCaxEvents* AcquireForNotifications();
  ITavCaxEvents* AcquireForPicks();

  const SessionLink& Link() const { return link_; }

 private:
  ITavCaxEvents* Acquire(bool for_picks);

  const SessionLink& link_;
  std::mutex leaf_;
  ITavCaxEvents* events_ = nullptr;  // one reference; guarded by leaf_
  bool picks_open_ = false;          // guarded by leaf_
};

// Delivers a menu pick to the host by IDispatch::Invoke of "FireClickMenu" with
// (handle text, model full name, menu XML). Called on the listen thread inside the
// module-wide lock; leaves the lock while the host runs so the host may call the
// module again.
void NotifyMenuPick(IDispatch* events, const std::wstring& handle_text,
                    const std::wstring& model_name, const std::wstring& menu_xml);
