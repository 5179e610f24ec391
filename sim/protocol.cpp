#include "sim/protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {
namespace wire {

namespace {

constexpr std::uint32_t kMaxFrame = 64u << 20;  // a garbled length must not allocate gigabytes
constexpr std::uint32_t kMaxItems = 1u << 20;

void writeGlass(Writer& out, const Glass& glass) {
    for (auto& row : glass.cells)
        for (auto cell : row) out.u8(cell);
    for (auto& glyph : glass.cgram)
        for (auto line : glyph) out.u8(line);
    out.u32(static_cast<std::uint32_t>(glass.cursorRow));
    out.u32(static_cast<std::uint32_t>(glass.cursorCol));
    out.u8(static_cast<std::uint8_t>(glass.display | glass.cursor << 1 | glass.blink << 2 |
                                     glass.backlight << 3 | glass.present << 4));
}

void readGlass(Reader& in, Glass& glass) {
    for (auto& row : glass.cells)
        for (auto& cell : row) cell = in.u8();
    for (auto& glyph : glass.cgram)
        for (auto& line : glyph) line = in.u8();
    glass.cursorRow = static_cast<int>(in.u32());
    glass.cursorCol = static_cast<int>(in.u32());
    std::uint8_t flags = in.u8();
    glass.display = flags & 1;
    glass.cursor = flags & 2;
    glass.blink = flags & 4;
    glass.backlight = flags & 8;
    glass.present = flags & 16;
}

void writeLine(Writer& out, const PaperLine& line) {
    out.str(line.text);
    out.u8(static_cast<std::uint8_t>(line.justify));
    out.u8(static_cast<std::uint8_t>(line.bold | line.doubleHeight << 1 | line.doubleWidth << 2 |
                                     line.inverse << 3 | line.underline << 4 | line.fontB << 5 |
                                     line.upsideDown << 6 | line.strike << 7));
}

void readLine(Reader& in, PaperLine& line) {
    line.text = in.str();
    std::uint8_t justify = in.u8();
    line.justify = justify == 1 ? Justify::Center : justify == 2 ? Justify::Right : Justify::Left;
    std::uint8_t flags = in.u8();
    line.bold = flags & 1;
    line.doubleHeight = flags & 2;
    line.doubleWidth = flags & 4;
    line.inverse = flags & 8;
    line.underline = flags & 16;
    line.fontB = flags & 32;
    line.upsideDown = flags & 64;
    line.strike = flags & 128;
}

// A count read from the wire, refused when absurd.
std::uint32_t readCount(Reader& in) {
    std::uint32_t count = in.u32();
    return count > kMaxItems ? 0 : count;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool readAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        ssize_t got = ::read(fd, data, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

void Writer::raw(const void* data, std::size_t size) {
    bytes_.append(static_cast<const char*>(data), size);
}

void Writer::str(const std::string& value) {
    u32(static_cast<std::uint32_t>(value.size()));
    bytes_ += value;
}

bool Reader::raw(void* data, std::size_t size) {
    if (failed_ || bytes_.size() - offset_ < size) {
        failed_ = true;
        std::memset(data, 0, size);
        return false;
    }
    std::memcpy(data, bytes_.data() + offset_, size);
    offset_ += size;
    return true;
}

std::string Reader::str() {
    std::uint32_t size = u32();
    if (failed_ || bytes_.size() - offset_ < size) {
        failed_ = true;
        return {};
    }
    std::string value = bytes_.substr(offset_, size);
    offset_ += size;
    return value;
}

std::string encode(const RunRequest& request) {
    Writer out;
    out.u64(request.horizon);
    out.u32(static_cast<std::uint32_t>(request.inputs.size()));
    for (auto& input : request.inputs) {
        out.u8(static_cast<std::uint8_t>(input.kind));
        out.u64(input.at);
        out.str(input.key);
        out.u8(input.forward);
        out.u64(input.duration);
    }
    return out.bytes();
}

bool decode(const std::string& bytes, RunRequest& request) {
    Reader in(bytes);
    request.horizon = in.u64();
    request.inputs.resize(readCount(in));
    for (auto& input : request.inputs) {
        std::uint8_t kind = in.u8();
        if (kind > static_cast<std::uint8_t>(InputKind::Detent)) return false;
        input.kind = static_cast<InputKind>(kind);
        input.at = in.u64();
        input.key = in.str();
        input.forward = in.u8() != 0;
        input.duration = in.u64();
        if (in.failed()) return false;
    }
    return !in.failed() && in.done();
}

std::string encode(const RunReply& reply) {
    const Snapshot& shot = reply.snapshot;
    Writer out;
    out.u64(shot.now);
    out.i64(reply.wallOffset);
    writeGlass(out, shot.glass);
    out.u32(static_cast<std::uint32_t>(shot.paper.size()));
    for (auto& line : shot.paper) writeLine(out, line);
    out.u32(static_cast<std::uint32_t>(shot.shell.size()));
    for (auto& record : shot.shell) {
        out.u64(record.at);
        out.str(record.command);
    }
    out.u32(static_cast<std::uint32_t>(shot.requests.size()));
    for (auto& request : shot.requests) out.str(request);
    out.u8(shot.exited);
    out.i64(shot.exitCode);
    return out.bytes();
}

bool decode(const std::string& bytes, RunReply& reply) {
    Snapshot& shot = reply.snapshot;
    Reader in(bytes);
    shot.now = in.u64();
    reply.wallOffset = in.i64();
    readGlass(in, shot.glass);
    shot.paper.resize(readCount(in));
    for (auto& line : shot.paper) {
        readLine(in, line);
        if (in.failed()) return false;
    }
    shot.shell.resize(readCount(in));
    for (auto& record : shot.shell) {
        record.at = in.u64();
        record.command = in.str();
        if (in.failed()) return false;
    }
    shot.requests.resize(readCount(in));
    for (auto& request : shot.requests) {
        request = in.str();
        if (in.failed()) return false;
    }
    shot.exited = in.u8() != 0;
    shot.exitCode = static_cast<int>(in.i64());
    return !in.failed() && in.done();
}

bool sendFrame(int fd, const std::string& payload) {
    std::uint32_t size = static_cast<std::uint32_t>(payload.size());
    std::string frame(reinterpret_cast<const char*>(&size), sizeof size);
    frame += payload;
    return writeAll(fd, frame.data(), frame.size());
}

bool receiveFrame(int fd, std::string& payload) {
    std::uint32_t size = 0;
    if (!readAll(fd, reinterpret_cast<char*>(&size), sizeof size) || size > kMaxFrame) return false;
    payload.assign(size, '\0');
    return size == 0 || readAll(fd, &payload[0], size);
}

}  // namespace wire
}  // namespace sim
