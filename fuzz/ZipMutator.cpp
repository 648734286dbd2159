// A structure-aware mutator for the targets that read zip packages of XML parts: it opens the
// input as a zip, edits one entry (as XML element by element, or as bytes by libFuzzer; now and
// then its name, or drops or doubles it) and zips the result again, so that mutations reach the XML readers instead of dying in
// the zip reader's checks. Inputs that are no zip are mutated as bytes.

#include "XmlMutator.h"

#include <zip.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

struct Entry {
    std::string name;
    std::string data;
};

bool unzip(const uint8_t* data, size_t size, std::vector<Entry>* entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (!source) return false;
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        zip_source_free(source);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = count > 0 && count < 512;
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || stat.size > (1u << 22)) {
            ok = false;
            break;
        }
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file) {
            ok = false;
            break;
        }
        Entry entry{stat.name ? stat.name : "", std::string(size_t(stat.size), '\0')};
        ok = zip_fread(file, entry.data.data(), stat.size) == zip_int64_t(stat.size);
        zip_fclose(file);
        entries->push_back(std::move(entry));
    }
    zip_discard(archive);
    return ok;
}

size_t rezip(const std::vector<Entry>& entries, uint8_t* out, size_t maxSize) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target) return 0;
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(target);
        return 0;
    }
    for (const Entry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        if (!source || zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            if (source) zip_source_free(source);
        }
    }
    size_t written = 0;
    if (zip_close(archive) == 0 && zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        const zip_int64_t length = zip_source_tell(target);
        zip_source_seek(target, 0, SEEK_SET);
        if (length > 0 && size_t(length) <= maxSize) {
            written = size_t(zip_source_read(target, out, zip_uint64_t(length)));
        }
        zip_source_close(target);
    } else if (archive) {
        zip_discard(archive);
    }
    zip_source_free(target);
    return written;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    std::vector<Entry> entries;
    if (random() % 16 == 0 || !unzip(data, size, &entries)) return LLVMFuzzerMutate(data, size, maxSize);

    Entry& chosen = entries[random() % entries.size()];
    const auto mutateBytes = [&] {  // the content, given room to grow
        const size_t room = std::min<size_t>(chosen.data.size() * 2 + 256, maxSize);
        const size_t length = chosen.data.size();
        chosen.data.resize(std::max(room, length));
        chosen.data.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(chosen.data.data()), length, chosen.data.size()));
    };
    const bool xml = chosen.name.ends_with(".xml") || chosen.name.ends_with(".rels");
    const unsigned choice = random() % 16;
    if (choice == 0) {  // the name
        chosen.name.resize(chosen.name.size() + 8);
        chosen.name.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(chosen.name.data()),
                                            chosen.name.size() - 8, chosen.name.size()));
    } else if (choice == 1) {  // dropped
        if (entries.size() > 1) entries.erase(entries.begin() + std::ptrdiff_t(&chosen - entries.data()));
    } else if (choice == 2) {  // doubled under another name
        entries.push_back({chosen.name + "x", chosen.data});
    } else if (choice < 10 && xml) {
        // Edited element by element, with the names of its kind of part: the chart schema's
        // for charts, and those the part and another of the package use (all of them would
        // cost a parse of the whole package per mutation).
        fuzzmutate::Vocabulary vocabulary;
        if (chosen.name.find("chart") != std::string::npos) vocabulary = fuzzmutate::chartVocabulary();
        fuzzmutate::harvest(chosen.data, vocabulary);
        if (const Entry& other = entries[random() % entries.size()]; other.name.ends_with(".xml"))
            fuzzmutate::harvest(other.data, vocabulary);
        if (!fuzzmutate::mutateXml(chosen.data, maxSize, random, vocabulary)) mutateBytes();
    } else {
        mutateBytes();
    }
    const size_t written = rezip(entries, data, maxSize);
    return written > 0 ? written : LLVMFuzzerMutate(data, size, maxSize);
}
