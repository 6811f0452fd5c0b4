// The language's file commands on eight numbered channels (0 to 7), and the
// file copy. Channel numbers are compared unsigned, so a negative number is
// out of range.
//
// Errors: a channel number out of range raises 7, a failed read or write
// raises 3; both end the program (END), except in open, which reports false,
// and eof, which answers true. Open, close and copy clear the last error
// first; the other commands leave an earlier error standing.
#pragma once

#include <cstdint>

#include "core/basic_string.h"
#include "files/file_channel.h"

constexpr int kFileChannelCount = 8;

// The table itself, for the host's shutdown and for tests.
FileChannel* qvl_file_channel_table();

// mode 0: create for writing; negative: append; positive: read.
bool qvl_file_channel_open(int channel, const BasicString& name, int mode);
void qvl_file_channel_close(int channel);
// First channel that is neither open on disk nor in memory; -1 when all are.
int qvl_file_channel_free();
bool qvl_file_channel_eof(int channel);
void qvl_file_close_all();

// Typed reads, little-endian; signed reads sign-extend, unsigned ones
// zero-extend (the 32-bit ones store the same bits).
void qvl_file_channel_read_int8(int channel, int& value);
void qvl_file_channel_read_uint8(int channel, int& value);
void qvl_file_channel_read_int16(int channel, int& value);
void qvl_file_channel_read_uint16(int channel, int& value);
void qvl_file_channel_read_int32(int channel, int& value);
void qvl_file_channel_read_uint32(int channel, int& value);
void qvl_file_channel_read_float(int channel, double& value);
void qvl_file_channel_read_double(int channel, double& value);
void qvl_file_channel_read_line(int channel, BasicString& line);
void qvl_file_channel_read_line_float(int channel, double& value);
void qvl_file_channel_read_line_int(int channel, int& value);
void qvl_file_channel_read_bytes(int channel, BasicString& out, int count);

// Typed writes: the value's low bytes, little-endian, one system call each.
void qvl_file_channel_write_int8(int channel, int value);
void qvl_file_channel_write_uint8(int channel, int value);
void qvl_file_channel_write_int16(int channel, int value);
void qvl_file_channel_write_uint16(int channel, int value);
void qvl_file_channel_write_int32(int channel, int value);
void qvl_file_channel_write_uint32(int channel, int value);
void qvl_file_channel_write_float(int channel, double value);
void qvl_file_channel_write_double(int channel, double value);
// The string's bytes without terminator; an empty string writes nothing.
void qvl_file_channel_write_string(int channel, const BasicString& text);
// The string's bytes, then "\r\n".
void qvl_file_channel_write_line(int channel, const BasicString& text);

int64_t qvl_file_channel_position(int channel);
// mode 0: from the start; positive: from the position; negative: from the size.
void qvl_file_channel_seek(int channel, int64_t offset, int mode);

// Copies a file (the source is resolved like any loader's name). A missing
// source does nothing; a failed open, read or write raises error 3 without
// ending the program and leaves an existing destination as it was.
void qvl_file_copy(const BasicString& from, const BasicString& to);
