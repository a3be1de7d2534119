// The record manager's one call. Every data file of the suite is reached through BTRCALL:
// an operation code (plus a lock bias), the caller's 128-byte position block, a data buffer
// with its length (in and out), a key buffer with its length and a key number. The result is
// a status, 0 for success.
//
// Buffers: the data buffer holds at least *dataLength bytes; key buffers that an operation
// writes (every Get, Insert, Update) must hold 255 bytes, the longest key there is.
#pragma once

#include <cstdint>

namespace recman {

int16_t BTRCALL(int16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                void* keyBuffer, uint8_t keyLength, int8_t keyNumber);

constexpr int kPositionBlockSize = 128;

// Operations.
constexpr int16_t kOpOpen = 0;
constexpr int16_t kOpClose = 1;
constexpr int16_t kOpInsert = 2;
constexpr int16_t kOpUpdate = 3;
constexpr int16_t kOpDelete = 4;
constexpr int16_t kOpGetEqual = 5;
constexpr int16_t kOpGetNext = 6;
constexpr int16_t kOpGetPrevious = 7;
constexpr int16_t kOpGetGreater = 8;
constexpr int16_t kOpGetGreaterOrEqual = 9;
constexpr int16_t kOpGetLess = 10;
constexpr int16_t kOpGetLessOrEqual = 11;
constexpr int16_t kOpGetFirst = 12;
constexpr int16_t kOpGetLast = 13;
constexpr int16_t kOpCreate = 14;
constexpr int16_t kOpStat = 15;
constexpr int16_t kOpBeginTransaction = 19;
constexpr int16_t kOpEndTransaction = 20;
constexpr int16_t kOpAbortTransaction = 21;
constexpr int16_t kOpGetPosition = 22;
constexpr int16_t kOpGetDirect = 23;
constexpr int16_t kOpStepNext = 24;
constexpr int16_t kOpStop = 25;
constexpr int16_t kOpUnlock = 27;
constexpr int16_t kOpReset = 28;
constexpr int16_t kOpSetOwner = 29;
constexpr int16_t kOpClearOwner = 30;
constexpr int16_t kOpStepFirst = 33;
constexpr int16_t kOpStepLast = 34;
constexpr int16_t kOpStepPrevious = 35;
constexpr int16_t kGetKeyOnly = 50; // added to 5..13: position and return the key, no record

// Lock biases added to a read operation.
constexpr int16_t kSingleWait = 100;
constexpr int16_t kSingleNoWait = 200;
constexpr int16_t kMultipleWait = 300;
constexpr int16_t kMultipleNoWait = 400;

// Open modes (key number of Open).
constexpr int8_t kOpenNormal = 0;
constexpr int8_t kOpenAccelerated = -1;
constexpr int8_t kOpenReadOnly = -2;
constexpr int8_t kOpenVerify = -3;
constexpr int8_t kOpenExclusive = -4;

// Create modes (key number of Create).
constexpr int8_t kCreateReplace = 0;
constexpr int8_t kCreateNoReplace = -1;

// Statuses.
constexpr int16_t kOk = 0;
constexpr int16_t kInvalidOperation = 1;
constexpr int16_t kIoError = 2;
constexpr int16_t kFileNotOpen = 3;
constexpr int16_t kKeyNotFound = 4;
constexpr int16_t kDuplicateKey = 5;
constexpr int16_t kInvalidKeyNumber = 6;
constexpr int16_t kDifferentKeyNumber = 7;
constexpr int16_t kInvalidPositioning = 8;
constexpr int16_t kEndOfFile = 9;
constexpr int16_t kModifiableKeyError = 10;
constexpr int16_t kInvalidFileName = 11;
constexpr int16_t kFileNotFound = 12;
constexpr int16_t kDiskFull = 18;
constexpr int16_t kKeyBufferTooShort = 21;
constexpr int16_t kDataBufferTooShort = 22;
constexpr int16_t kPageSizeError = 24;
constexpr int16_t kCreateIoError = 25;
constexpr int16_t kNumberOfKeys = 26;
constexpr int16_t kInvalidKeyPosition = 27;
constexpr int16_t kInvalidRecordLength = 28;
constexpr int16_t kInvalidKeyLength = 29;
constexpr int16_t kNotOurFile = 30;
constexpr int16_t kTransactionError = 36;
constexpr int16_t kTransactionActive = 37;
constexpr int16_t kNoTransaction = 39;
constexpr int16_t kInvalidRecordAddress = 43;
constexpr int16_t kNullKeyPath = 44;
constexpr int16_t kInconsistentKeyFlags = 45;
constexpr int16_t kAccessDenied = 46;
constexpr int16_t kInvalidAcs = 48;
constexpr int16_t kInvalidKeyType = 49;
constexpr int16_t kOwnerAlreadySet = 50;
constexpr int16_t kInvalidOwner = 51;
constexpr int16_t kFileExists = 59;
constexpr int16_t kConflict = 80;
constexpr int16_t kLockError = 81;
constexpr int16_t kRecordInUse = 84;
constexpr int16_t kFileInUse = 85;
constexpr int16_t kIncompatibleLockType = 93;

} // namespace recman
