#pragma once
// The packet log and the transport statistics, written to the program's log and filtered by the
// network log level (the console's "loglevel"): 0 writes nothing; 1 leaves out the header lines of
// the frequent packets (NONE, P-SNAPSHOT, W-SNAPSHOT, PING, PING-REPORT); 2 and more log every header.
// The texts of COMMAND, COMMAND-RESULT and ASYNC-COMMAND packets are written at every level above 0.

#include <cstdint>
#include <list>

#include "net/packet.h"

namespace kv {

struct remote_record;

// `tag`: "PIN" (just received), "POUT" (just sent), "received" (taken from a receive queue) or
// "broadcast".
void log_packet(const char* tag, const packet& p, uint32_t address, uint16_t port, int log_level);

// "#/o cons: <n>" and one line per remote record with the counts of its four queues.
void log_transport_stats(const std::list<remote_record>& remotes);

}  // namespace kv
