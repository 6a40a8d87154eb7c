// One QVA archive on disk: open with the key and its fallback, validation of every size,
// offset, count, name, directory link and data range before anything is trusted, entry
// look-up by path, and the member streams. Relies on the plain-file back end (threaded,
// asynchronous reads), the LZ unpacker, the tracked allocator and the log.
#include "engine/file/archive_reader.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/file/lz_unpack.h"
#include "engine/file/plain_file.h"
#include "platform/kernel.h"
#include "platform/shift_jis.h"

namespace {

// An LZ item of four bytes yields at most 8,195 bytes: no valid member unpacks to more
// than this many times its packed body.
constexpr std::uint64_t kLzMaxExpansion = 2049;

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Checks the directory tree from the root: records, entry ranges, names, links and data
// ranges. Each directory record may be reached once, so links cannot loop.
bool ValidateDirectoryTree(const ArchiveState* s) {
    const QvaHeader& h = s->header;
    const std::uint64_t block = h.directory_block_size;
    const std::uint64_t table_bytes = block - h.directory_table_offset;
    const std::uint32_t entry_size = QvaFileEntrySize(h.version);
    const std::uint64_t max_records = table_bytes / kQvaDirectoryRecordBytes + 1;
    auto* visited = static_cast<unsigned char*>(TrackedCalloc(static_cast<std::uint32_t>(table_bytes + 1), "qva", __LINE__));
    auto* stack = static_cast<std::uint32_t*>(
        TrackedAlloc(static_cast<std::uint32_t>(max_records * 2 * sizeof(std::uint32_t)), "qva", __LINE__));
    bool ok = visited != nullptr && stack != nullptr;
    std::uint64_t depth = 0;
    if (ok) {
        stack[0] = 0;
        stack[1] = kQvaNoParent;
        depth = 1;
        visited[0] = 1;
    }
    while (ok && depth > 0) {
        --depth;
        const std::uint32_t at = stack[depth * 2];
        const std::uint32_t parent = stack[depth * 2 + 1];
        if (at + std::uint64_t{kQvaDirectoryRecordBytes} > table_bytes) { ok = false; break; }
        QvaDirectoryRecord record;
        DecodeQvaDirectoryRecord(QvaDirectoryRecordBytes(s, at), &record);
        if (record.parent_offset != parent) { ok = false; break; }
        const std::uint64_t first = std::uint64_t{h.file_entry_table_offset} + record.first_entry_offset;
        if (first + std::uint64_t{record.entry_count} * entry_size > block) { ok = false; break; }
        for (std::uint32_t i = 0; ok && i < record.entry_count; ++i) {
            QvaFileEntry entry;
            DecodeQvaFileEntry(s->directory_block + first + std::uint64_t{i} * entry_size, h.version, &entry);
            // Name record: word count, search name ending in NUL, then the written name's NUL.
            const std::uint64_t name = entry.name_offset;
            if (name + 4 > block) { ok = false; break; }
            const std::uint16_t words = U16(s->directory_block + name);
            const std::uint64_t written = name + 4 + std::uint64_t{words} * 4;
            if (words == 0 || written >= block || s->directory_block[written - 1] != 0 ||
                words * 4 > kQvaSearchNameBytes) {
                ok = false;
                break;
            }
            if (std::memchr(s->directory_block + written, 0, block - written) == nullptr) { ok = false; break; }
            if (entry.attributes & kQvaDirectoryAttribute) {
                const std::uint32_t child = entry.data_offset;
                if (child >= table_bytes || visited[child]) { ok = false; break; }
                visited[child] = 1;
                if (depth >= max_records) { ok = false; break; }
                stack[depth * 2] = child;
                stack[depth * 2 + 1] = at;
                ++depth;
                continue;
            }
            const std::uint64_t start = std::uint64_t{h.data_area_offset} + entry.data_offset;
            if (entry.packed_size == kQvaStored) {
                if (start + entry.data_size > s->file_size) ok = false;
            } else {
                if (entry.packed_size < kLzHeaderBytes || start + entry.packed_size > s->file_size ||
                    entry.data_size > (entry.packed_size - kLzHeaderBytes) * kLzMaxExpansion) {
                    ok = false;
                }
            }
        }
    }
    if (visited != nullptr) TrackedFree(visited);
    if (stack != nullptr) TrackedFree(stack);
    return ok;
}

bool ValidateHeader(const ArchiveState* s) {
    const QvaHeader& h = s->header;
    if (h.magic[0] != 'Q' || h.magic[1] != 'V' || h.version > kQvaMaxVersion) return false;
    const std::uint64_t block = h.directory_block_size;
    if (std::uint64_t{h.directory_block_offset} + block > s->file_size) return false;
    if (h.data_area_offset > s->file_size) return false;
    if (h.file_entry_table_offset > block) return false;
    if (std::uint64_t{h.directory_table_offset} + kQvaDirectoryRecordBytes > block) return false;
    return true;
}

// Looks `name` up among the entries of the directory record at `directory`; directory
// entries only when `want_directory`, file entries only otherwise.
bool LookUpEntry(const ArchiveState* s, std::uint32_t directory, const QvaSearchName& name, bool want_directory,
                 QvaFileEntry* found) {
    QvaDirectoryRecord record;
    DecodeQvaDirectoryRecord(QvaDirectoryRecordBytes(s, directory), &record);
    const std::uint32_t entry_size = QvaFileEntrySize(s->header.version);
    for (std::uint32_t i = 0; i < record.entry_count; ++i) {
        QvaFileEntry entry;
        DecodeQvaFileEntry(QvaEntryBytes(s, record.first_entry_offset + i * entry_size), s->header.version, &entry);
        if (((entry.attributes & kQvaDirectoryAttribute) != 0) != want_directory) continue;
        const unsigned char* stored = s->directory_block + entry.name_offset;
        if (U16(stored) != name.word_count || U16(stored + 2) != name.check_sum) continue;
        if (std::memcmp(stored + 4, name.name, std::size_t{name.word_count} * 4) != 0) continue;
        *found = entry;
        return true;
    }
    return false;
}

// Completes a pending asynchronous operation of a member.
void FinishPending(ArchiveMemberStream* m) {
    while (CheckArchiveMemberIdle(m) == 0) Sleep(1);
}

bool UnpackMember(ArchiveMemberStream* m) {
    std::uint32_t unpacked = 0;
    std::uint32_t packed = 0;
    if (!ReadLzHeader(m->packed, m->entry.packed_size, &unpacked, &packed) || unpacked != m->entry.data_size ||
        packed != m->entry.packed_size ||
        UnpackLz(m->packed, m->entry.packed_size, m->unpacked, m->entry.data_size) != m->entry.data_size) {
        WriteLogText("QVAファイル内の圧縮データが壊れています\n");
        return false;
    }
    return true;
}

}  // namespace

const unsigned char* QvaDirectoryRecordBytes(const ArchiveState* s, std::uint32_t offset) {
    return s->directory_block + s->header.directory_table_offset + offset;
}

const unsigned char* QvaEntryBytes(const ArchiveState* s, std::uint32_t entry_offset) {
    return s->directory_block + s->header.file_entry_table_offset + entry_offset;
}

const char* QvaEntryWrittenName(const ArchiveState* s, const QvaFileEntry& entry) {
    const unsigned char* record = s->directory_block + entry.name_offset;
    return reinterpret_cast<const char*>(record + 4 + std::size_t{U16(record)} * 4);
}

const unsigned char* QvaEntrySearchName(const ArchiveState* s, const QvaFileEntry& entry, std::uint16_t* words) {
    const unsigned char* record = s->directory_block + entry.name_offset;
    *words = U16(record);
    return record + 4;
}

std::uint32_t ReadQvaBytes(std::uint32_t file_offset, void* destination, std::uint32_t size, ArchiveState* s) {
    ReadPlainFile(destination, 1, size, s->file);
    // Waiting on the reader's done signal is the idle poll without the spinning.
    WaitPlainFileIdle(s->file);
    UnscrambleQvaBytes(size, destination, file_offset, s->key);
    return size;
}

int OpenArchiveOnDisk(ArchiveState* s, const char* path, const char* key_string) {
    if (s->file != 0) return -1;
    s->file = OpenPlainFile(path, 0, 1, 1);
    if (s->file == 0) return -1;
    s->file_size = reinterpret_cast<PlainFileRecord*>(s->file)->file_size;
    bool ok = s->file_size >= kQvaHeaderBytes;
    unsigned char bytes[kQvaHeaderBytes];
    if (ok) {
        MakeQvaKey(key_string, s->key);
        ReadQvaBytes(0, bytes, kQvaHeaderBytes, s);
        DecodeQvaHeader(bytes, &s->header);
        if (s->header.magic[0] != 'Q' || s->header.magic[1] != 'V') {
            MakeQvaFallbackKey(s->key);
            SeekPlainFile(s->file, 0, kSeekSet);
            ReadQvaBytes(0, bytes, kQvaHeaderBytes, s);
            DecodeQvaHeader(bytes, &s->header);
        }
        ok = ValidateHeader(s);
    }
    if (ok) {
        const std::uint32_t size = s->header.directory_block_size;
        s->directory_block = static_cast<unsigned char*>(TrackedAlloc(size == 0 ? 1 : size, "qva", __LINE__));
        ok = s->directory_block != nullptr;
        if (ok) {
            SeekPlainFile(s->file, s->header.directory_block_offset, kSeekSet);
            ReadQvaBytes(s->header.directory_block_offset, s->directory_block, size, s);
            ok = ValidateDirectoryTree(s);
        }
    }
    if (!ok) {
        WriteLogFormat("QVAファイルの形式が正しくありません %s\n", path);
        ClosePlainFile(s->file);
        if (s->directory_block != nullptr) TrackedFree(s->directory_block);
        std::memset(s, 0, sizeof *s);
        return -1;
    }
    s->current_directory = 0;
    return 0;
}

void CloseArchiveState(ArchiveState* s) {
    if (s->file != 0) ClosePlainFile(s->file);
    if (s->directory_block != nullptr) TrackedFree(s->directory_block);
    std::memset(s, 0, sizeof *s);
}

int ChangeArchiveDir(ArchiveState* s, const char* path, int restore, QvaSearchName* last_name) {
    const std::uint32_t start = s->current_directory;
    if (path[0] == '.' && path[1] == '\0') return 0;
    if ((path[0] == '\\' || path[0] == '/') && path[1] == '\0') {
        s->current_directory = 0;
        return 0;
    }
    if (path[0] == '.' && path[1] == '.' && path[2] == '\0') {
        QvaDirectoryRecord record;
        DecodeQvaDirectoryRecord(QvaDirectoryRecordBytes(s, s->current_directory), &record);
        if (record.parent_offset == kQvaNoParent) return -1;
        s->current_directory = record.parent_offset;
        return 0;
    }
    const char* p = path;
    if (*p == '\\' || *p == '/') {
        s->current_directory = 0;
        ++p;
    }
    while (*p != '\0') {
        QvaSearchName name;
        int length = 0;
        QvaFileEntry entry;
        if (MakeQvaSearchName(p, &length, &name) != 0 || length == 0 ||
            !LookUpEntry(s, s->current_directory, name, true, &entry)) {
            if (restore == 1) s->current_directory = start;
            return -1;
        }
        s->current_directory = entry.data_offset;
        if (last_name != nullptr) *last_name = name;
        p += length;
        if (*p == '\\' || *p == '/') ++p;
    }
    return 0;
}

int FindQvaFileEntry(const char* member_path, ArchiveState* s, QvaFileEntry* entry) {
    const std::uint32_t start = s->current_directory;
    // Split off the last component, keeping Shift-JIS pairs whole.
    const char* last = member_path;
    for (const char* p = member_path; *p != '\0';) {
        const auto c = static_cast<unsigned char>(*p);
        if (IsShiftJisLeadByte(c) && p[1] != '\0') {
            p += 2;
            continue;
        }
        ++p;
        if (c == '\\' || c == '/') last = p;
    }
    bool found = false;
    if (*last != '\0') {
        bool reached = true;
        if (last != member_path) {
            char directories[kFilePathBytes * 2];
            const auto length = static_cast<std::size_t>(last - member_path - 1);
            if (length >= sizeof directories) {
                reached = false;
            } else {
                std::memcpy(directories, member_path, length);
                directories[length] = '\0';
                reached = length == 0 ? (s->current_directory = 0, true) : ChangeArchiveDir(s, directories, 1, nullptr) == 0;
            }
        }
        QvaSearchName name;
        int name_length = 0;
        if (reached && MakeQvaSearchName(last, &name_length, &name) == 0) {
            found = LookUpEntry(s, s->current_directory, name, false, entry);
        }
    }
    s->current_directory = start;
    return found ? 0 : -1;
}

int OpenArchiveMember(ArchiveMemberStream* m, ArchiveState* s, const char* member_path, int asynchronous) {
    QvaFileEntry entry;
    if (FindQvaFileEntry(member_path, s, &entry) != 0) return -1;
    std::memset(m, 0, sizeof *m);
    m->archive = s;
    m->entry = entry;
    m->asynchronous = asynchronous;
    if (entry.packed_size == kQvaStored) return 0;

    m->unpacked = static_cast<unsigned char*>(TrackedAlloc(entry.data_size == 0 ? 1 : entry.data_size, "qva", __LINE__));
    m->packed = static_cast<unsigned char*>(TrackedAlloc(entry.packed_size, "qva", __LINE__));
    if (m->unpacked == nullptr || m->packed == nullptr) {
        CloseArchiveMember(m);
        return -1;
    }
    m->pending_file_offset = s->header.data_area_offset + entry.data_offset;
    SeekPlainFile(s->file, m->pending_file_offset, kSeekSet);
    if (!asynchronous) {
        ReadQvaBytes(m->pending_file_offset, m->packed, entry.packed_size, s);
        const bool ok = UnpackMember(m);
        TrackedFree(m->packed);
        m->packed = nullptr;
        if (!ok) {
            CloseArchiveMember(m);
            return -1;
        }
        return 0;
    }
    ReadPlainFile(m->packed, 1, entry.packed_size, s->file);
    m->pending = kArchivePackedLoadPending;
    return 0;
}

void CloseArchiveMember(ArchiveMemberStream* m) {
    if (m->archive != nullptr) FinishPending(m);
    if (m->unpacked != nullptr) TrackedFree(m->unpacked);
    if (m->packed != nullptr) TrackedFree(m->packed);
    std::memset(m, 0, sizeof *m);
}

int CheckArchiveMemberIdle(ArchiveMemberStream* m) {
    if (!m->asynchronous || m->pending == kArchiveNothingPending) return 1;
    if (CheckPlainFileIdle(m->archive->file) != 1) return 0;
    if (m->pending == kArchiveReadPending) {
        UnscrambleQvaBytes(m->pending_size, m->pending_destination, m->pending_file_offset, m->archive->key);
    } else {
        UnscrambleQvaBytes(m->entry.packed_size, m->packed, m->pending_file_offset, m->archive->key);
        if (!UnpackMember(m)) m->broken = 1;
        TrackedFree(m->packed);
        m->packed = nullptr;
    }
    m->pending = kArchiveNothingPending;
    return 1;
}

std::size_t ReadArchiveMember(ArchiveMemberStream* m, void* buffer, std::uint64_t bytes) {
    FinishPending(m);
    if (m->eof) return 0;
    if (m->position >= m->entry.data_size || m->broken) {
        m->eof = 1;
        return 0;
    }
    const std::uint64_t rest = m->entry.data_size - m->position;
    const auto n = static_cast<std::uint32_t>(bytes < rest ? bytes : rest);
    if (n == 0) return 0;
    if (m->unpacked != nullptr) {
        std::memcpy(buffer, m->unpacked + m->position, n);
    } else {
        ArchiveState* s = m->archive;
        const std::uint32_t offset = s->header.data_area_offset + m->entry.data_offset + m->position;
        if (TellPlainFile(s->file) != offset) SeekPlainFile(s->file, offset, kSeekSet);
        if (m->asynchronous) {
            ReadPlainFile(buffer, 1, n, s->file);
            m->pending = kArchiveReadPending;
            m->pending_file_offset = offset;
            m->pending_destination = buffer;
            m->pending_size = n;
        } else {
            ReadQvaBytes(offset, buffer, n, s);
        }
    }
    m->position += n;
    m->eof = 0;
    return n;
}

int SeekArchiveMember(ArchiveMemberStream* m, std::int64_t offset, int origin) {
    FinishPending(m);
    std::int64_t target = offset;
    if (origin == kSeekCurrent) {
        target = static_cast<std::int64_t>(m->position) + offset;
    } else if (origin == kSeekEnd) {
        target = static_cast<std::int64_t>(m->entry.data_size) + offset;
    }
    if (target < 0) target = 0;
    if (target > static_cast<std::int64_t>(m->entry.data_size)) target = m->entry.data_size;
    m->position = static_cast<std::uint32_t>(target);
    m->eof = 0;
    return 0;
}

std::int64_t TellArchiveMember(ArchiveMemberStream* m) {
    FinishPending(m);
    return m->position;
}

int GetArchiveMemberEof(ArchiveMemberStream* m) {
    FinishPending(m);
    return m->eof ? -1 : 0;
}
