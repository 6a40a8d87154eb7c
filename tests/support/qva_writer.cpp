// Test-only QVA writer. It folds names and lays out records by its own code; only the key
// maker is shared with the engine, and hand-made byte fixtures check the layout.
#include "tests/support/qva_writer.h"

#include <algorithm>
#include <deque>

#include "engine/file/qva_format.h"
#include "tests/support/lz_packer.h"

namespace {

struct Node {
    std::string name;
    bool is_directory = false;
    int file = -1;
    std::vector<int> children;
    std::uint32_t entry_offset = 0xFFFFFFFFu;
    std::uint32_t record_offset = 0;
};

void PutU16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutU64(std::string& out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

std::string Fold(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < name.size()) {
            out += name.substr(i, 2);
            ++i;
        } else {
            out.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c));
        }
    }
    return out;
}

std::string NameRecord(const std::string& name) {
    const std::string folded = Fold(name);
    const std::uint32_t words = static_cast<std::uint32_t>((folded.size() + 4) / 4);
    std::uint32_t sum = 0;
    for (unsigned char c : folded) sum += c;
    std::string out;
    PutU16(out, words);
    PutU16(out, sum & 0xFFFF);
    out += folded;
    out.append(words * 4 - folded.size(), '\0');
    out += name;
    out.push_back('\0');
    return out;
}

}  // namespace

std::string ScrambleQva(const std::string& bytes, QvaKeyChoice choice) {
    if (choice == QvaKeyChoice::kNone) return bytes;
    unsigned char key[kQvaKeyBytes];
    if (choice == QvaKeyChoice::kDefault) {
        MakeQvaKey(nullptr, key);
    } else {
        MakeQvaFallbackKey(key);
    }
    std::string out = bytes;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ key[i % kQvaKeyBytes]);
    return out;
}

std::string BuildQvaArchive(const std::vector<QvaSourceFile>& files, int version, QvaKeyChoice key,
                            QvaLayout layout) {
    std::vector<Node> nodes(1);
    nodes[0].is_directory = true;
    for (std::size_t f = 0; f < files.size(); ++f) {
        int at = 0;
        std::size_t start = 0;
        const std::string& path = files[f].path;
        for (;;) {
            const std::size_t slash = path.find('/', start);
            const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            const bool last = slash == std::string::npos;
            int found = -1;
            for (int child : nodes[at].children) {
                if (nodes[child].name == part) found = child;
            }
            if (found < 0) {
                found = static_cast<int>(nodes.size());
                Node node;
                node.name = part;
                node.is_directory = !last;
                node.file = last ? static_cast<int>(f) : -1;
                nodes.push_back(node);
                nodes[at].children.push_back(found);
            }
            at = found;
            if (last) break;
            start = slash + 1;
        }
    }
    for (Node& node : nodes) {
        std::stable_sort(node.children.begin(), node.children.end(),
                         [&nodes](int a, int b) { return Fold(nodes[a].name) < Fold(nodes[b].name); });
    }
    // Directories breadth first; entries of each directory contiguous in that order.
    std::vector<int> directories;
    std::deque<int> queue{0};
    while (!queue.empty()) {
        const int d = queue.front();
        queue.pop_front();
        directories.push_back(d);
        for (int child : nodes[d].children) {
            if (nodes[child].is_directory) queue.push_back(child);
        }
    }
    const std::uint32_t entry_size = version < 2 ? 40 : 44;
    std::vector<int> entries;
    for (std::size_t i = 0; i < directories.size(); ++i) {
        nodes[directories[i]].record_offset = static_cast<std::uint32_t>(i * 16);
        for (int child : nodes[directories[i]].children) {
            nodes[child].entry_offset = static_cast<std::uint32_t>(entries.size() * entry_size);
            entries.push_back(child);
        }
    }

    std::string data;
    std::vector<std::uint32_t> data_offsets(nodes.size(), 0);
    std::vector<std::uint32_t> packed_sizes(nodes.size(), 0xFFFFFFFFu);
    std::string names;
    std::vector<std::uint32_t> name_offsets(nodes.size(), 0);
    for (int e : entries) {
        name_offsets[e] = static_cast<std::uint32_t>(names.size());
        names += NameRecord(nodes[e].name);
        if (nodes[e].is_directory) continue;
        const QvaSourceFile& file = files[static_cast<std::size_t>(nodes[e].file)];
        data_offsets[e] = static_cast<std::uint32_t>(data.size());
        if (version >= 2 && (file.pack || !file.packed_stream.empty())) {
            const std::string stream = file.packed_stream.empty() ? PackLz(file.data) : file.packed_stream;
            packed_sizes[e] = static_cast<std::uint32_t>(stream.size());
            data += stream;
        } else {
            data += file.data;
        }
    }
    while (names.size() % 4 != 0) names.push_back('\0');

    std::string block = names;
    const auto entry_table = static_cast<std::uint32_t>(block.size());
    for (int e : entries) {
        const Node& node = nodes[e];
        const std::uint64_t time = node.is_directory ? 0 : files[static_cast<std::size_t>(node.file)].write_time;
        PutU32(block, name_offsets[e]);
        PutU32(block, node.is_directory ? 0x10 : 0x20);
        PutU64(block, time);
        PutU64(block, time);
        PutU64(block, time);
        if (node.is_directory) {
            PutU32(block, node.record_offset);
            PutU32(block, 0);
        } else {
            PutU32(block, data_offsets[e]);
            PutU32(block, static_cast<std::uint32_t>(files[static_cast<std::size_t>(node.file)].data.size()));
        }
        if (version >= 2) PutU32(block, node.is_directory ? 0xFFFFFFFFu : packed_sizes[e]);
    }
    const auto directory_table = static_cast<std::uint32_t>(block.size());
    for (std::size_t i = 0; i < directories.size(); ++i) {
        const Node& d = nodes[directories[i]];
        std::uint32_t parent = 0xFFFFFFFFu;
        for (int candidate : directories) {
            for (int child : nodes[candidate].children) {
                if (child == directories[i]) parent = nodes[candidate].record_offset;
            }
        }
        PutU32(block, d.entry_offset);
        PutU32(block, parent);
        PutU32(block, static_cast<std::uint32_t>(d.children.size()));
        PutU32(block, d.children.empty() ? 0 : nodes[d.children[0]].entry_offset);
    }

    const bool directory_first = layout == QvaLayout::kDirectoryFirst;
    std::string out = "QV";
    PutU16(out, static_cast<std::uint32_t>(version));
    PutU32(out, static_cast<std::uint32_t>(block.size()));
    PutU32(out, static_cast<std::uint32_t>(directory_first ? 24 + block.size() : 24));
    PutU32(out, static_cast<std::uint32_t>(directory_first ? 24 : 24 + data.size()));
    PutU32(out, entry_table);
    PutU32(out, directory_table);
    out += directory_first ? block : data;
    out += directory_first ? data : block;
    return ScrambleQva(out, key);
}
