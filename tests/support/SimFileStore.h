#pragma once
// The simulated terminal's files: one store per drive, each a map from file name to contents. Names are
// 8-bit texts and compared without regard to ASCII case, as a terminal's file system does. Thread-safe:
// the test thread fills and inspects it while the simulator's thread serves requests.

#include "SimTypes.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

class CSimFileStore {
public:
    void Put(int drive, const std::string& name, SimBytes data);
    bool Get(int drive, const std::string& name, SimBytes& data) const;
    bool Exists(int drive, const std::string& name) const;
    bool Remove(int drive, const std::string& name);
    std::vector<std::string> Names(int drive) const;  // in ascending order, case-insensitive
    void Clear();

private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Drive = std::map<std::string, SimBytes, NameLess>;

    mutable std::mutex m_lock;
    std::map<int, Drive> m_drives;
};
