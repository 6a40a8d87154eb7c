// Graph handles: the graph table (32,768 records of kind 1), the start and end of the
// graph manager, creating, deriving, naming and deleting graphs, writing and filling
// their pixels, and the small lookups. Pixels live in 2-D surface pieces.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include <cstdint>

constexpr int kGraphTableSlots = 32768;
constexpr int kGraphPieceSlots = 64;
constexpr int kGraphFileNameBytes = 64;
constexpr int kGraphDirectoryBytes = 256;

// The nine creation bytes, in order; a SurfaceData copies them.
// The source of a picture written into a graph (engine/graphics/graph_transfer.h).
struct ImageSource;

struct GraphCreationBytes {
    std::uint8_t texture;
    std::uint8_t alpha_channel;
    std::uint8_t drawable;
    std::uint8_t system_memory;
    std::uint8_t unmanaged_texture;
    std::uint8_t alpha_test;
    std::uint8_t bit_depth;
    std::uint8_t mode_byte;
    std::uint8_t palette;
};
static_assert(sizeof(GraphCreationBytes) == 9);

struct GraphRecord {
    std::uint32_t check;
    std::int32_t* lost_flag;
    std::int32_t handle;
    GraphCreationBytes creation;
    std::uint32_t load_option;
    std::uint32_t mode_word;
    std::int32_t pieces[kGraphPieceSlots];
    std::int32_t piece_count;
    char file_name[kGraphFileNameBytes];
    char directory[kGraphDirectoryBytes];
    std::int32_t origin_x;
    std::int32_t origin_y;
    std::int32_t width;
    std::int32_t height;
    std::int32_t movie;
    std::int32_t reload;
    void* owned_buffer;
};

// The door comes after the records: it hands them on to the 3-D renderer.
#include "engine/graphics/graphics.h"
#include "engine/graphics/images/graph_image.h"

int InitializeGraphics();
int TerminateGraphics();
int IsGraphManagerUp();
int IsThreeDInUse();

int CreateGraphRecord(int width, int height, int use_texture, GraphRecord** record, int alpha, int palette);
int CreateGraphAndSurface(int width, int height, int use_texture, int alpha, int palette);
int CreateGraphForGraphImage(const GraphImage* image, const GraphImage* alpha_image, int use_texture);
int DeriveGraph(int x, int y, int width, int height, int source_graph);
// Deletes every graph without a log line.
int DeleteAllGraphs();
int DeleteAllGraphsLogged(int log);
int SetGraphLostFlagPointer(int graph, std::int32_t* flag);
int SetGraphFileName(int graph, const char* file_name, int source_graph);
// Writes the source picture into every piece, the piece at (x, y) of the picture; stores
// the file name, the load option word and (x, y) as the origin. The source's
// alpha-from-red word is replaced by the graph's mode word.
int SetGraphImageData(const ImageSource& source, const char* file_name, int image_x, int image_y, int graph,
                      std::uint32_t load_option);
// Writes `src_rect` of the source picture at (dest_x, dest_y) of the graph, into every
// piece it crosses; stores the file name ("" for null), the rectangle's corner as the
// origin and the load option word. The source's alpha-from-red word is not used.
int BltImageToGraph(const ImageSource& source, const char* file_name, const RECT* src_rect, int dest_x, int dest_y,
                    int graph, std::uint32_t load_option);
int FillGraphColor(int graph, int red, int green, int blue, int alpha);

GraphRecord* GetGraphRecord(int graph);
int GetGraphRecordHandle(const GraphRecord* record);
int ReadGraphSize(int graph, int* width, int* height);
int CheckBlendSourceGraphSize(const GraphRecord* record);
int SetGraphSystemMemoryFlag(int flag);
int SetGraphVideoMemoryFlag(int flag);

// Table figures for tests and the restore walk.
int GetGraphCount();
int GetGraphEndMark();
// The handle of the record in a slot (-1 for an empty slot).
int MakeGraphHandleOfSlot(int slot);
int CreateBlankGraph(int width, int height, int no_texture);
int IsGraphHandleValid(int graph);
