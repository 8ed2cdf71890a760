// One dispatcher call drawn from a fuzz input, with a pointer of the kind its
// opcode takes, and the checks on what comes back. A pointer is only ever null
// or memory of the size the opcode needs: a zeroed out-buffer or out-slot, a
// terminated text, a chunk whose size is the call's value, a VstEvents record.
#pragma once

#include "byte_reader.h"
#include "entry_host.h"

// Reads the opcode byte, index, value and float (host_input.h), then what the
// opcode's pointer needs: a text (length, characters), a capability word (a
// byte picking a known one, else a text), a chunk (size byte, then up to three
// patches of offset, length, bytes over the chunk the plug-in has), events, or
// a speaker count. Without `withPointer` every pointer that may be null is.
// effClose ends the session: the host closes the effect.
void DispatchCall(EntryHost& host, ByteReader& in, bool withPointer);
