// Reads every object of a compiled help file with chmlib, and exits 0 if it lived through it.
// chmlib trusts the file's numbers: a damaged file can make it divide by zero, read out of
// bounds or loop. The help viewer runs this first, as a process of its own, and opens only a
// file it survived.
//   evelmora-chmprobe FILE
#include <unistd.h>

#include <cstdint>
#include <vector>

#include <chm_lib.h>

#include "chmlimits.h"

namespace {

int readObject(chmFile* handle, chmUnitInfo* info, void* budget)
{
    auto* left = static_cast<std::int64_t*>(budget);
    if (info->length > static_cast<LONGUINT64>(ChmLimits::maxObjectBytes) || static_cast<std::int64_t>(info->length) > *left)
        return CHM_ENUMERATOR_SUCCESS; // enough: the rest is not read by the viewer either
    *left -= static_cast<std::int64_t>(info->length);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(info->length));
    chm_retrieve_object(handle, info, bytes.data(), 0, static_cast<LONGINT64>(info->length));
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    ::alarm(ChmLimits::probeSeconds);
    chmFile* handle = chm_open(argv[1]);
    if (!handle)
        return 0; // refused by chmlib itself, which the viewer then says
    std::int64_t budget = 4 * ChmLimits::maxObjectBytes;
    chm_enumerate(handle, CHM_ENUMERATE_ALL, readObject, &budget);
    chm_close(handle);
    return 0;
}
