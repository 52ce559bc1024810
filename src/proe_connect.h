#pragma once
// The connector's shared steps, also used by the command object: the termination
// callback, the application handle text, and the wait for the session's window.
#include <ProConst.h>
#include <ProToolkit.h>
#include <string>

// The toolkit's termination callback: the session has ended (the user closed it or
// it died). Ends the connection without a disconnect request and resets the menus.
ProError ProeTermAction(ProeTerminationStatus status);

// "%d %ld" of the process handle's two words (its array index and key).
void GetHandleOfCaxApp(std::wstring& handle);

// Asks for the current window up to `tries` times, pausing one second after each
// answer that is neither success nor a broken connection, and activates the window
// when one was found.
void ProWindowCurrentActivateWaiting(int tries);
