// Internals shared by the data-file table and record access: the record-manager call with
// bounded buffers, the statistics walk, and the operator messages of this layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace data {

// BTRCALL with the layer's buffers: data buffer of 1536 bytes, key buffer of 256 bytes.
int16_t CallRecordManager(int16_t operation, char* positionBlock, char* dataBuffer,
                          int32_t& dataLength, char* keyBuffer, uint8_t keyLength, int8_t keyNumber);

// The statistics of an open file's slot (1536 bytes); false when Stat failed.
bool ReadStatistics(int slotIndex, std::string& stats);

struct KeySegmentInfo {
    uint16_t length;
    uint16_t flags; // 0x04 binary, 0x10 another segment follows, 0x20 alternate sequence
};

// The segments of one key from the statistics; empty when the file has no such key.
std::vector<KeySegmentInfo> KeySegments(const std::string& stats, int16_t keyNumber);

// Offset of the alternate collating sequence in the statistics (after the last segment).
size_t AlternateSequenceOffset(const std::string& stats);

// A message box of this layer at a row, and its removal.
void ShowLayerMessage(int16_t row, const std::string& text);
void CloseLayerMessage();

// Drops pending key presses, then waits for one.
void WaitForOperatorKey();

} // namespace data

namespace data {
// The pauses of this layer (open retries, lock waits), shortened by SetWaitDivisorForTests.
void LayerPause(int32_t ms);
} // namespace data
