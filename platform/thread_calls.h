#pragma once
// Calls that one thread hands to another, its base thread, to run there. Every thread has one
// queue of such calls; the base thread runs them when it drains its queue: from its event loop
// (woken through the hook below) or while it waits in WaitForAnyEventDrainingCalls.

#include <functional>
#include <span>
#include <thread>

#include "platform/events.h"

// Runs `call` on `base` and returns once it has run there; an exception it raised is rethrown
// here, the same object. On `base` itself the call runs at once. While waiting, the calling
// thread drains its own queue, so two threads calling each other do not block for ever.
void SendToThread(std::thread::id base, const std::function<void()>& call);
// Queues `call` for `base` and returns at once; an exception it raises goes to the
// application's default error report.
void PostToThread(std::thread::id base, std::function<void()> call);
// Runs the calls queued for the calling thread, oldest first, including those that arrive
// meanwhile; returns how many ran.
int DrainThreadCalls();
// WaitForAnyEvent that runs the calls arriving for the calling thread while it waits.
int WaitForAnyEventDrainingCalls(std::span<TEvent* const> events, int timeout_ms = INFINITE);
// Sets the calling thread's wake hook, run on the queuing thread after each call is queued
// for this thread, so that an event loop can schedule a drain; an empty hook removes it.
void SetThreadCallWaker(std::function<void()> waker);
