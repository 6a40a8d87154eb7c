// A divided sheet loaded from a QVA archive (stored and packed members) draws the same
// pieces as the plain file. The archive is built by the file tests' writer, compiled in
// here because each test folder is its own program.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "tests/graphics/graph_test_support.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/qva_writer.h"

using engine_test::EngineSession;
using graph_test::GraphPixel;

namespace {

std::uint32_t SheetColour(int x, int y) {
    return static_cast<std::uint32_t>(x * 9 + 3) << 16 | static_cast<std::uint32_t>(y * 13 + 1) << 8 |
           static_cast<std::uint32_t>((x ^ y) * 5);
}

std::string SheetPng() {
    PngSpec spec;
    spec.width = 24;
    spec.height = 10;
    for (int y = 0; y < spec.height; ++y) {
        Bytes row;
        for (int x = 0; x < spec.width; ++x) {
            const std::uint32_t c = SheetColour(x, y);
            row.push_back(static_cast<unsigned char>(c >> 16));
            row.push_back(static_cast<unsigned char>(c >> 8));
            row.push_back(static_cast<unsigned char>(c));
        }
        spec.rows.push_back(row);
    }
    const Bytes bytes = MakePng(spec);
    return std::string(bytes.begin(), bytes.end());
}

TEST(ArchiveSheet, PiecesFromAnArchiveMatchThePicture) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    QvaSourceFile stored("sheet.png", SheetPng());
    QvaSourceFile packed("packed/sheet.png", SheetPng());
    packed.pack = true;
    const std::string archive = BuildQvaArchive({stored, packed}, 3);
    std::ofstream("DAT.QVA", std::ios::binary).write(archive.data(), static_cast<std::streamsize>(archive.size()));
    for (const char* name : {"dat/sheet.png", "dat/packed/sheet.png"}) {
        SCOPED_TRACE(name);
        int handles[8];
        ASSERT_EQ(ApiLoadImageAsDivGraphs(name, 8, 4, 2, 6, 5, handles, 0), 0);
        for (int i = 0; i < 8; ++i) {
            const int column = i % 4, row = i / 4;
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 6; ++x) {
                    ASSERT_EQ(GraphPixel(handles[i], x, y), SheetColour(column * 6 + x, row * 5 + y))
                        << "piece " << i << " at " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(std::string(GetGraphRecord(handles[0])->file_name), name);
    }
    EXPECT_EQ(ApiLoadImageAsDivGraphs("dat/none.png", 8, 4, 2, 6, 5, nullptr, 0), -1);
    ASSERT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace
