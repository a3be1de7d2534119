// Record layouts of the property file (DADES\FinquesV) and the flat file (DADES\DepartaV).
// Offsets count from 0; texts are blank-padded code page 850; integers little-endian. The
// records hold further fields of the suite that this program does not read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace report {

#pragma pack(push, 1)

// One property: a building or estate. Key 0 is propertyCode.
struct PropertyRecord {
    char propertyCode[2];     // packed digits of the four-digit property number
    char reserved1[6];
    char propertyAddress[30];
    char reserved2[103];
    char addressKind;         // "P": each flat has its own address
    char reserved3[18];
};

// One flat or premises and its rental contract. Key 0 is flatCode.
struct FlatRecord {
    char flatCode[4];      // packed digits: property number (4) then flat number (4)
    char reserved1[4];
    char holderName[30];
    char flatName[10];
    char reserved2[50];
    char flatAddress[30];
    char reserved3[61];
    char contractStart[4];  // packed date; the zero date: no contract
    char contractMonths[2]; // signed 16-bit little-endian
    char reserved4[5];
};

#pragma pack(pop)

static_assert(offsetof(PropertyRecord, propertyAddress) == 8);
static_assert(offsetof(PropertyRecord, addressKind) == 141);
static_assert(sizeof(PropertyRecord) == 160);
static_assert(offsetof(FlatRecord, holderName) == 8);
static_assert(offsetof(FlatRecord, flatName) == 38);
static_assert(offsetof(FlatRecord, flatAddress) == 98);
static_assert(offsetof(FlatRecord, contractStart) == 189);
static_assert(offsetof(FlatRecord, contractMonths) == 193);
static_assert(sizeof(FlatRecord) == 200);

inline int16_t ContractMonths(const FlatRecord& flat) {
    return static_cast<int16_t>(static_cast<uint8_t>(flat.contractMonths[0]) |
                                (static_cast<uint8_t>(flat.contractMonths[1]) << 8));
}

} // namespace report
