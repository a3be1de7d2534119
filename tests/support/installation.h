// A small installation for tests: root with the report's dictionaries, a work directory, the
// session pointing at them, and data files filled through the record manager.
#pragma once

#include "app/session.h"
#include "recman/btrcall.h"
#include "support/tempdir.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class Installation {
  public:
    explicit Installation(const std::string& language = "CAT") {
        std::filesystem::create_directories(dir.Path() + "root/ddf");
        std::filesystem::create_directories(dir.Path() + "root/DADES");
        std::filesystem::create_directories(dir.Path() + "tmp");
        for (const char* name : {"FinquesV.xdf", "DepartaV.xdf"})
            std::filesystem::copy_file(std::string(ORB_SOURCE_DIR) + "/demo/ddf/" + name,
                                       dir.Path() + "root/ddf/" + name);
        app::SessionSettings = {};
        app::SessionSettings.rootDir = Root();
        app::SessionSettings.workDir = Work();
        app::SessionSettings.language = language;
        app::SessionSettings.programName = "ORBICADE";
    }

    std::string Root() const { return dir.Path() + "root/"; }
    std::string Work() const { return dir.Path() + "tmp/"; }

    // Creates the data file (root-relative name without extension, e.g. "DADES\FinquesV")
    // from the dictionary of its base name and inserts the records. False on any failure.
    bool CreateFile(const std::string& name, const std::string& dictionary,
                    const std::vector<std::string>& records) const {
        std::string spec = ReadFile(Root() + "ddf/" + dictionary + ".xdf");
        if (spec.size() < 2) return false;
        std::string create = spec.substr(2);
        create.resize(1536, ' ');
        std::string path = Root() + name + ".dat";
        char block[128] = {};
        char key[256] = {};
        std::memcpy(key, path.data(), path.size());
        int32_t length = static_cast<int32_t>(create.size());
        if (recman::BTRCALL(recman::kOpCreate, block, create.data(), &length, key,
                            static_cast<uint8_t>(path.size()), -1) != 0)
            return false;
        char owner[1] = {0};
        length = 0;
        if (recman::BTRCALL(recman::kOpOpen, block, owner, &length, key,
                            static_cast<uint8_t>(path.size()), 0) != 0)
            return false;
        bool ok = true;
        for (const std::string& record : records) {
            std::string buffer = record;
            length = static_cast<int32_t>(buffer.size());
            char keyOut[256] = {};
            ok = ok && recman::BTRCALL(recman::kOpInsert, block, buffer.data(), &length, keyOut, 255, 0) == 0;
        }
        length = 0;
        recman::BTRCALL(recman::kOpClose, block, owner, &length, key, 0, 0);
        return ok;
    }

    TempDir dir;
};

} // namespace testsupport
