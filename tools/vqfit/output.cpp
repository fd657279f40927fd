#include "output.hpp"

#include "errors.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

void StreamOutput::write(std::string_view text) {
    char* p = room(text.size());
    std::memcpy(p, text.data(), text.size());
}

char* StreamOutput::room(std::size_t bytes) {
    if (buffer_.size() + bytes > kBuffer) {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size())
            throw OutputError("cannot write " + name_ + ": " + std::strerror(errno));
        buffer_.clear();
    }
    const std::size_t used = buffer_.size();
    buffer_.resize(used + bytes);
    return buffer_.data() + used;
}

void StreamOutput::flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size())
        throw OutputError("cannot write " + name_ + ": " + std::strerror(errno));
    buffer_.clear();
    if (std::fflush(stream_) != 0) throw OutputError("cannot write " + name_ + ": " + std::strerror(errno));
}

OutputFiles::~OutputFiles() {
    for (const Pending& p : pending_)
        if (!p.temporary.empty()) std::remove(p.temporary.c_str());
}

void OutputFiles::add(const std::string& path, std::string_view text) {
    std::string temporary = path + ".vq-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw OutputError(path + ": cannot write file: " + std::strerror(errno));
    pending_.push_back({path, temporary});
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        ::close(fd);
        throw OutputError(path + ": cannot write file: " + std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int saved = errno;
    if (std::fclose(f) != 0 || !written)
        throw OutputError(path + ": cannot write file: " + std::strerror(written ? errno : saved));
    // mkstemp creates the file private to the user; give it the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0666 & ~mask);
}

void OutputFiles::commit() {
    for (std::size_t k = 0; k < pending_.size(); ++k) {
        if (std::rename(pending_[k].temporary.c_str(), pending_[k].target.c_str()) != 0)
            throw OutputError(pending_[k].target + ": cannot write file: " + std::strerror(errno));
        pending_[k].temporary.clear();
    }
    pending_.clear();
}

}  // namespace vq
