// Graph handles: the graph table (32,768 records of kind 1), the start and end of the
// graph manager, creating, deriving, naming and deleting graphs, writing and filling
// their pixels, and the small lookups. Pixels live in 2-D surface pieces.
// What other rooms call of it is declared in the door, engine/graphics/graphics.h.
#pragma once

#include <cstdint>

#include "engine/drawstate/drawstate.h"
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
