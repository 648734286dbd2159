// The structure-aware mutator of the targets that read one chart part: most mutations edit the
// part element by element with the chart schema's names (XmlMutator), the rest are libFuzzer's
// byte mutations, which also reach the XML reader's own checks.

#include "XmlMutator.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    if (random() % 4 == 0) return LLVMFuzzerMutate(data, size, maxSize);
    std::string xml(reinterpret_cast<const char*>(data), size);
    if (!fuzzmutate::mutateXml(xml, maxSize, random, fuzzmutate::chartVocabulary()))
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, xml.data(), xml.size());
    return xml.size();
}
