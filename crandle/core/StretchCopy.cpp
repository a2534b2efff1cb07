#include "StretchCopy.h"

#include <algorithm>

#include "WorkProgress.h"
#include "platform/Platform.h"

StretchCopy copyStretch(std::FILE* in, std::uint64_t offset, std::uint64_t size, std::FILE* out,
                        std::uint64_t outOffset, std::size_t piece, std::vector<char>& buffer,
                        WorkProgress* progress) {
    bool direct = true;
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(piece, size - done));
        const std::size_t moved =
            direct ? static_cast<std::size_t>(platform::copyRange(in, offset + done, chunk, out, outOffset + done)) : 0;
        if (moved < chunk) {
            // The rest through the buffer, from here on: this system (or
            // these files) had no direct copy, or `in` ended early.
            if (direct) {
                if (!platform::seekFile(in, offset + done + moved)) return StretchCopy::READ_FAILED;
                if (!platform::seekFile(out, outOffset + done + moved)) return StretchCopy::WRITE_FAILED;
            }
            direct = false;
            const std::size_t rest = chunk - moved;
            if (buffer.size() < rest) buffer.resize(rest);
            if (std::fread(buffer.data(), 1, rest, in) != rest) return StretchCopy::READ_FAILED;
            if (std::fwrite(buffer.data(), 1, rest, out) != rest) return StretchCopy::WRITE_FAILED;
        }
        done += chunk;
        if (progress) {
            progress->advance(chunk);
            if (done < size && progress->stopped()) return StretchCopy::STOPPED;
        }
    }
    return StretchCopy::DONE;
}
