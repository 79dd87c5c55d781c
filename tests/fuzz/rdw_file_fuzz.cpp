// Record files: the input is the file; its header and every record are read.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = fuzz::scratch_file("records.rdw");
    fuzz::BlockGuard guard;
    fuzz::write_file(path, data, size);
    char **columns = nullptr;
    int count = 0;
    FILE *file = nullptr;
    if (ZeOpenInputRdwFile(path.c_str(), &columns, &count, &file) != ZE_OK) {
        if (file || columns) std::abort();
        return 0;
    }
    std::vector<char *> values(static_cast<std::size_t>(count) + 1, nullptr);
    for (int records = 0; records < 10000 && ZeReadRdwData(file, values.data(), count) != ZE_RC_NO_ENTRY; ++records) {}
    ZeFreeRdwData(values.data(), count);
    ZeFreeStrPtrArray(columns, count);
    TarnCloseFile(file);
    return 0;
}
