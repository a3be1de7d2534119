#include "recman/status.h"

namespace recman {

namespace {

const char* StatusName(int16_t status) {
    switch (status) {
    case 0:
        return "success";
    case 1:
        return "invalid operation";
    case 2:
        return "input/output error";
    case 3:
        return "file not open";
    case 4:
        return "key value not found";
    case 5:
        return "duplicate key value";
    case 6:
        return "invalid key number";
    case 7:
        return "different key number";
    case 8:
        return "invalid positioning";
    case 9:
        return "end of file";
    case 10:
        return "key value may not change";
    case 11:
        return "invalid file name";
    case 12:
        return "file not found";
    case 18:
        return "disk full";
    case 21:
        return "key buffer too short";
    case 22:
        return "data buffer too short";
    case 24:
        return "invalid page size";
    case 25:
        return "file cannot be created";
    case 26:
        return "invalid number of keys or segments";
    case 27:
        return "invalid key position";
    case 28:
        return "invalid record length";
    case 29:
        return "invalid key length";
    case 30:
        return "not a data file of the record manager";
    case 36:
        return "transaction error";
    case 37:
        return "transaction already active";
    case 39:
        return "no transaction active";
    case 43:
        return "invalid record position";
    case 44:
        return "record not in this key's index";
    case 45:
        return "inconsistent key flags";
    case 46:
        return "access denied";
    case 48:
        return "invalid alternate collating sequence";
    case 49:
        return "invalid key type";
    case 50:
        return "owner name already set";
    case 51:
        return "invalid owner name";
    case 59:
        return "file already exists";
    case 80:
        return "record changed by another program";
    case 81:
        return "lock error";
    case 84:
        return "record in use";
    case 85:
        return "file in use";
    case 93:
        return "incompatible lock type";
    default:
        return nullptr;
    }
}

} // namespace

std::string StatusText(int16_t status) {
    const char* name = StatusName(status);
    if (!name) return "status " + std::to_string(status);
    return std::string(name) + " (" + std::to_string(status) + ")";
}

} // namespace recman
