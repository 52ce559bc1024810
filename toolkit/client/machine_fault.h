#pragma once
// The session can ask a call to fail the way a crashing toolkit would: with a
// real access violation in the calling thread. The module's fault translator
// turns it into an exception that unwinds out of the toolkit call, so callers
// must hold no lock of the client when this runs.
namespace tkclient {

// Writes through an invalid, non-null address (a SIGSEGV). Returns only if a
// signal handler resumed execution past the fault.
void RaiseMachineFault();

// True (once) when the exception now unwinding on this thread comes from the
// fault RaiseMachineFault made: the client lets it pass its C edge.
bool TakeRaisedFault();

}  // namespace tkclient
