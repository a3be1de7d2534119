// Reading records of open data files by key and in key order, with lock modes and waits.
#pragma once

#include "data/datafiles.h"

#include <cstdint>
#include <string>

namespace data {

// Lock-mode letters: "D" no locks, "A" lock and wait, "B" lock and report at once, "+" save
// the file's mode, "-" restore the latest saved mode of the file. Status 3 when not open.
void SetLockMode(FileNumber n, const std::string& letters, int16_t& status);

// Reads by key q: direction 0 equal, > 0 greater or equal, < 0 less or equal. The key text is
// completed with zero bytes (or cut) to the key's length. Status 3 not open, 1004 no such key.
void GetByKey(FileNumber n, int16_t keyNumber, const std::string& key, int16_t direction,
              int16_t& status);

// Steps count records forward (or back when negative) in the current key's order; only the
// record reached is read into the record buffer.
void SkipRecords(FileNumber n, int16_t count, int16_t& status);

// Position 0: the current record's position (0 when none); otherwise reads the record at
// that position and gives the status.
int32_t RecordPosition(FileNumber n, int32_t position);

// The file's current key value as the record manager compares it.
std::string CurrentKeyValue(FileNumber n);

// A key text as the record manager compares it on the file's current key: binary segments
// byte-reversed, alternate-sequence segments translated.
std::string KeyCompareForm(const std::string& key, FileNumber n);

// One read through the slot's position block, with the lock bias of the slot's mode and the
// wait (with its message) for a locked record or file in mode 1.
void RecordCall(int slotIndex, int16_t operation, int16_t& status);

// Tests: lock waits and open retries last 1/divisor of their time (1: the real time), and the
// observer, when given, is called before each pause.
void SetWaitForTests(int divisor, void (*observer)() = nullptr);

} // namespace data
