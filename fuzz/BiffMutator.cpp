// A structure-aware mutator for the targets that read BIFF8 Workbook streams: it splits the input
// into records (type, length, body) and changes one of them: its body, given room to grow, its
// type (often to another chart record), or drops, doubles or moves it; then writes the records
// again with their lengths right, so that mutations reach the record readers instead of dying in
// the check of the first length. Inputs that are not a run of records are mutated as bytes.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

struct Record {
    uint16_t type = 0;
    std::string body;
};

bool split(const uint8_t* data, size_t size, std::vector<Record>* records) {
    size_t pos = 0;
    while (pos + 4 <= size) {
        const uint16_t type = uint16_t(data[pos] | (data[pos + 1] << 8));
        const size_t length = size_t(data[pos + 2] | (data[pos + 3] << 8));
        if (pos + 4 + length > size) return false;
        records->push_back({type, std::string(reinterpret_cast<const char*>(data) + pos + 4, length)});
        pos += 4 + length;
    }
    return pos == size && !records->empty();
}

size_t join(const std::vector<Record>& records, uint8_t* data, size_t maxSize) {
    size_t pos = 0;
    for (const Record& record : records) {
        const size_t length = std::min<size_t>(record.body.size(), 0xFFFF);
        if (pos + 4 + length > maxSize) return 0;
        data[pos] = uint8_t(record.type);
        data[pos + 1] = uint8_t(record.type >> 8);
        data[pos + 2] = uint8_t(length);
        data[pos + 3] = uint8_t(length >> 8);
        std::memcpy(data + pos + 4, record.body.data(), length);
        pos += 4 + length;
    }
    return pos;
}

// The records of a chart substream and of the cells and globals a chart reads.
constexpr uint16_t kTypes[] = {0x1003, 0x1051, 0x100D, 0x1045, 0x104A, 0x1006, 0x1007, 0x100A, 0x1009, 0x100B,
                               0x100C, 0x105D, 0x1044, 0x1041, 0x101D, 0x1020, 0x101F, 0x101E, 0x1021, 0x104E,
                               0x1026, 0x1014, 0x1017, 0x1018, 0x1019, 0x101A, 0x101B, 0x103E, 0x103F, 0x1040,
                               0x1061, 0x103A, 0x101C, 0x103D, 0x1015, 0x1025, 0x1027, 0x1032, 0x1035, 0x1033,
                               0x1034, 0x0809, 0x000A, 0x003C, 0x00FC, 0x0017, 0x01AE, 0x0092, 0x041E, 0x00E0,
                               0x0031, 0x0203, 0x027E, 0x00BD, 0x00FD, 0x0204, 0x0205, 0x0006, 0x0207, 0x005D};

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    std::vector<Record> records;
    if (random() % 16 == 0 || !split(data, size, &records)) return LLVMFuzzerMutate(data, size, maxSize);

    const size_t at = random() % records.size();
    Record& chosen = records[at];
    switch (random() % 12) {
    case 0:
        chosen.type = kTypes[random() % (sizeof kTypes / sizeof kTypes[0])];
        break;
    case 1:
        if (records.size() > 1) records.erase(records.begin() + std::ptrdiff_t(at));
        break;
    case 2:
        records.insert(records.begin() + std::ptrdiff_t(at), chosen);
        break;
    case 3:
        std::swap(chosen, records[random() % records.size()]);
        break;
    default: {
        const size_t length = chosen.body.size();
        chosen.body.resize(std::min<size_t>(length * 2 + 32, 0xFFFF));
        chosen.body.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(chosen.body.data()), length, chosen.body.size()));
        break;
    }
    }
    const size_t written = join(records, data, maxSize);
    return written > 0 ? written : LLVMFuzzerMutate(data, size, maxSize);
}
