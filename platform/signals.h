#pragma once
// The requests to end the program that come from outside (SIGINT, SIGTERM, and SIGHUP when the
// terminal hangs up). The handlers only note the request; the main loop reads it and stops the
// engine, so the normal shutdown runs.

namespace kv {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP; a SIGHUP ignored when the program started (as
// under nohup) stays ignored.
void sys_install_stop_handlers();
// A write to a pipe nobody reads any more (a closed standard error) fails instead of ending the
// process; the first thing the program does.
void sys_ignore_broken_pipes();
// True once a stop was requested; it stays set until cleared.
bool sys_stop_requested();
// Notes a request as the handlers do (safe from another thread).
void sys_request_stop();
void sys_clear_stop_request();

}  // namespace kv
