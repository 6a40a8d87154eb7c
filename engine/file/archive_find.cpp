// Directory listings through the archive layer: inside an archive the entries of one of
// its directories (after "." and ".."), filtered by a wildcard name; elsewhere the plain
// find. Relies on archive_layer for path resolution and archive_reader for the entries.
#include "engine/file/archive_layer.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/file/plain_file.h"
#include "platform/shift_jis.h"

namespace {

bool IsLead(const char* p) {
    const auto c = static_cast<unsigned char>(*p);
    return IsShiftJisLeadByte(c) && p[1] != '\0';
}

struct ArchiveFindState {
    std::uint32_t directory;  // record offset in the directory table
    char pattern[kFullPathBytes];
    std::uint32_t next;  // the next item: "." then ".." (not at the root) then the entries
};

struct FindRecord {
    std::int32_t kind;  // 0 plain, 1 archive
    std::int32_t archive_index;
    FindHandle plain;
    ArchiveFindState* state;
};

// Splits a member pattern at its last '\', '/' or ':' into a folded directory and name.
void SplitPathName(const char* path, char* directory, char* name) {
    const char* last = path;
    for (const char* p = path; *p != '\0';) {
        if (IsLead(p)) {
            p += 2;
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':') last = p + 1;
        ++p;
    }
    std::size_t n = static_cast<std::size_t>(last - path);
    if (n > 0 && (last[-1] == '\\' || last[-1] == '/')) --n;
    std::memcpy(directory, path, n);
    directory[n] = '\0';
    std::memcpy(name, last, std::strlen(last) + 1);
    for (char* p = directory; *p != '\0'; p += IsLead(p) ? 2 : 1) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    }
    for (char* p = name; *p != '\0'; p += IsLead(p) ? 2 : 1) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    }
}

void FillFileTime(std::uint64_t time, int date[6]) {
    const FILETIME file_time{static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
    FileTimeToDateFields(&file_time, date);
}

void FillPseudoEntry(const char* name, FindFileInfo* info) {
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->name, name, std::strlen(name) + 1);
    info->is_directory = 1;
}

// Takes the next item that matches the pattern; 0, or -1 when none is left.
int NextArchiveMatch(ArchiveState* s, ArchiveFindState* f, FindFileInfo* info) {
    QvaDirectoryRecord record;
    DecodeQvaDirectoryRecord(QvaDirectoryRecordBytes(s, f->directory), &record);
    const std::uint32_t pseudo = record.parent_offset == kQvaNoParent ? 1 : 2;
    const std::uint32_t entry_size = QvaFileEntrySize(s->header.version);
    for (; f->next < pseudo + record.entry_count; ++f->next) {
        if (f->next < pseudo) {
            const char* name = f->next == 0 ? "." : "..";
            if (MatchWildcard(f->pattern, name) != 0) continue;
            if (info != nullptr) FillPseudoEntry(name, info);
            return 0;
        }
        QvaFileEntry entry;
        DecodeQvaFileEntry(QvaEntryBytes(s, record.first_entry_offset + (f->next - pseudo) * entry_size),
                           s->header.version, &entry);
        std::uint16_t words = 0;
        const unsigned char* search = QvaEntrySearchName(s, entry, &words);
        if (MatchWildcard(f->pattern, reinterpret_cast<const char*>(search)) != 0) continue;
        if (info != nullptr) {
            std::memset(info, 0, sizeof *info);
            const char* written = QvaEntryWrittenName(s, entry);
            const std::size_t n = std::strlen(written);
            const std::size_t kept = n < sizeof info->name ? n : sizeof info->name - 1;
            std::memcpy(info->name, written, kept);
            info->name[kept] = '\0';
            info->is_directory = (entry.attributes & kQvaDirectoryAttribute) ? 1 : 0;
            info->size_low = entry.data_size;
            info->size_high = 0;
            FillFileTime(entry.creation_time, info->creation_time);
            FillFileTime(entry.last_write_time, info->last_write_time);
        }
        return 0;
    }
    return -1;
}

}  // namespace

int MatchWildcard(const char* pattern, const char* name) {
    const char* p = pattern;
    const char* n = name;
    while (*p != '\0') {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == '\0') return 0;
            // Skip to the first occurrence of the next pattern character (no backtracking).
            while (*n != '\0' && *n != *p) n += IsLead(n) ? 2 : 1;
            if (*n == '\0') return -1;
            continue;
        }
        if (*n == '\0') return -1;
        if (*p == '?') {
            ++p;
            ++n;
            continue;
        }
        if (IsLead(p) || IsLead(n)) {
            if (!IsLead(p) || !IsLead(n) || p[0] != n[0] || p[1] != n[1]) return -1;
            p += 2;
            n += 2;
            continue;
        }
        if (*p != *n) return -1;
        ++p;
        ++n;
    }
    return *n == '\0' ? 0 : -1;
}

FindHandle ArchiveFindFirst(const char* pattern, FindFileInfo* info) {
    auto* find = static_cast<FindRecord*>(TrackedCalloc(sizeof(FindRecord), "archive_find", __LINE__));
    if (find == nullptr) return -1;
    int index = -1;
    char member[kFullPathBytes];
    if (FindArchiveForPath(pattern, &index, nullptr, member) == 0) {
        find->kind = 1;
        find->archive_index = index;
        ArchiveState* s = &GetArchiveLayerGlobals()->archives[index]->state;
        auto* state = static_cast<ArchiveFindState*>(TrackedCalloc(sizeof(ArchiveFindState), "archive_find", __LINE__));
        bool ok = state != nullptr;
        if (ok) {
            char directory[kFullPathBytes];
            SplitPathName(member, directory, state->pattern);
            const std::uint32_t start = s->current_directory;
            if (directory[0] != '\0') ok = ChangeArchiveDir(s, directory, 1, nullptr) == 0;
            state->directory = s->current_directory;
            s->current_directory = start;
            state->next = 0;
            find->state = state;
            ok = ok && NextArchiveMatch(s, state, info) == 0;
            if (ok) ++state->next;
        }
        if (!ok) {
            if (state != nullptr) TrackedFree(state);
            ReleaseArchiveReference(index);
            TrackedFree(find);
            return -1;
        }
        return reinterpret_cast<FindHandle>(find);
    }
    find->kind = 0;
    find->plain = FindFirstPlainFile(pattern, info);
    if (find->plain == -1) {
        TrackedFree(find);
        return -1;
    }
    return reinterpret_cast<FindHandle>(find);
}

int ArchiveFindNext(FindHandle handle, FindFileInfo* info) {
    if (handle == -1 || handle == 0) return -1;
    auto* find = reinterpret_cast<FindRecord*>(handle);
    if (find->kind == 0) return FindNextPlainFile(find->plain, info);
    ArchiveState* s = &GetArchiveLayerGlobals()->archives[find->archive_index]->state;
    if (NextArchiveMatch(s, find->state, info) != 0) return -1;
    ++find->state->next;
    return 0;
}

int ArchiveFindClose(FindHandle handle) {
    if (handle == -1 || handle == 0) return -1;
    auto* find = reinterpret_cast<FindRecord*>(handle);
    if (find->kind == 0) {
        FindClosePlainFile(find->plain);
    } else {
        TrackedFree(find->state);
        ReleaseArchiveReference(find->archive_index);
    }
    TrackedFree(find);
    return 0;
}
