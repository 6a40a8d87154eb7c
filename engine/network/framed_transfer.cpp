// Framed transfer between a connection's socket and its two rings: each message is a
// 4-byte little-endian length, then that many bytes. Receiving refuses a length above
// kMaxIncomingMessageBytes (or negative as a 32-bit number) before anything is
// allocated, and stops taking new messages while kReceiveBacklogLimit bytes wait to be
// read. Sending frames everything queued when a message starts as one message.
#include "engine/network/network.h"
#include "engine/network/network_state.h"

namespace {

std::uint32_t ReadLittleEndian32(const unsigned char* b) {
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void WriteLittleEndian32(std::uint32_t v, unsigned char* b) {
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
    b[2] = static_cast<unsigned char>(v >> 16);
    b[3] = static_cast<unsigned char>(v >> 24);
}

char* RingAt(RingBuffer& ring, std::int32_t position) { return reinterpret_cast<char*>(ring.data + position); }

// The common refusals of RecvSocket and SendSocket once their busy flag is set.
NetworkHandleRecord* CheckedRecord(std::int32_t handle, const char* unused_text, const char* error_text) {
    NetworkHandleRecord* record = FindNetworkRecord(handle);
    if (record == nullptr) return nullptr;
    if (!record->used) {
        WriteLogText(unused_text);
        return nullptr;
    }
    if (record->error) {
        WriteLogText(error_text);
        return nullptr;
    }
    return record;
}

int ReceiveMessages(std::int32_t handle) {
    ProcessNetworkMessages(0);
    NetworkHandleRecord* record =
        CheckedRecord(handle, "有効なネットワークハンドルではありません in RecvSocket\n",
                      "このネットワークハンドルにはエラーが発生しています in RecvSocket\n");
    if (record == nullptr) return -1;
    if (!record->framed) return 0;

    for (;;) {
        if (record->bytes_to_receive == 0) {
            if (record->receive_ring.held >= kReceiveBacklogLimit) break;
            unsigned char header[4];
            if (recv(record->socket, reinterpret_cast<char*>(header), 4, MSG_PEEK) < 4) break;
            if (recv(record->socket, reinterpret_cast<char*>(header), 4, 0) < 4) break;
            const std::uint32_t length = ReadLittleEndian32(header);
            const auto signed_length = static_cast<std::int32_t>(length);
            if (length > static_cast<std::uint32_t>(kMaxIncomingMessageBytes) ||
                RingBufferReserve(&record->receive_ring, signed_length) != 0) {
                WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
                               signed_length);
                record->error = 1;
                return -1;
            }
            record->message_length = signed_length;
            record->bytes_to_receive = signed_length;
            if (signed_length == 0) continue;  // an empty message is whole at once
        }

        RingBuffer& ring = record->receive_ring;
        WrapRingBufferPositions(&ring);
        const std::int32_t w = ring.write;
        const std::int32_t n = record->bytes_to_receive;
        const std::int32_t c = ring.capacity;
        std::int32_t count = 0;
        int last = 0;
        if (w + n > c) {
            const std::int32_t first = c - w;
            last = recv(record->socket, RingAt(ring, w), first, 0);
            if (last < 0) break;
            count = last;
            if (last == first) {
                last = recv(record->socket, RingAt(ring, 0), n - first, 0);
                ring.write = last > 0 ? last : 0;
                if (last > 0) count += last;
            } else {
                ring.write = w + last;
            }
        } else {
            last = recv(record->socket, RingAt(ring, w), n, 0);
            if (last < 0) break;
            count = last;
            ring.write = w + last;
        }
        ring.held += count;
        record->bytes_to_receive -= count;
        const bool complete = record->bytes_to_receive == 0;
        if (complete) record->complete_bytes += record->message_length;

        ProcessNetworkMessages(0);
        record = FindNetworkRecord(handle);
        if (record == nullptr || !complete || last < 1) break;
    }
    return 0;
}

int SendMessages(std::int32_t handle) {
    ProcessNetworkMessages(0);
    NetworkHandleRecord* record =
        CheckedRecord(handle, "有効なネットワークハンドルではありません in SendSocket\n",
                      "このネットワークハンドルにはエラーが発生しています in SendSocket\n");
    if (record == nullptr) return -1;
    if (!record->framed || record->send_ring.held == 0) return 0;

    RingBuffer& ring = record->send_ring;
    for (;;) {
        unsigned char header[4];
        if (record->header_pending > 0) {
            WriteLittleEndian32(static_cast<std::uint32_t>(record->send_length), header);
            const int sent = send(record->socket, reinterpret_cast<char*>(header) + (4 - record->header_pending),
                                  record->header_pending, 0);
            if (sent < 0) break;
            record->header_pending -= sent;
            if (record->header_pending > 0) break;
        }
        if (record->send_length == 0) {
            record->send_length = ring.held;
            WriteLittleEndian32(static_cast<std::uint32_t>(record->send_length), header);
            const int sent = send(record->socket, reinterpret_cast<char*>(header), 4, 0);
            if (sent < 0) {
                record->send_length = 0;
                return 0;
            }
            if (sent < 4) {
                record->header_pending = 4 - sent;
                break;
            }
        }

        WrapRingBufferPositions(&ring);
        const std::int32_t r = ring.read;
        const std::int32_t n = record->send_length;
        const std::int32_t c = ring.capacity;
        std::int32_t count = 0;
        if (r + n > c) {
            const std::int32_t first = c - r;
            const int sent = send(record->socket, RingAt(ring, r), first, 0);
            if (sent < 0) break;
            count = sent;
            if (sent == first) {
                const int more = send(record->socket, RingAt(ring, 0), n - first, 0);
                ring.read = more > 0 ? more : 0;
                if (more > 0) count += more;
            } else {
                ring.read = r + sent;
            }
        } else {
            const int sent = send(record->socket, RingAt(ring, r), n, 0);
            if (sent < 0) break;
            count = sent;
            ring.read = r + sent;
        }
        ring.held -= count;
        record->send_length -= count;
        if (count == 0 || record->send_length != 0) break;
        if (ring.held == 0) return 0;
    }
    return 0;
}

// RecvSocket and SendSocket share their entry: not ready or not a handle gives -1
// quietly, and a call nested inside the same kind of call gives -1 at once.
int Guarded(std::int32_t handle, std::int32_t NetworkState::*busy, int (*body)(std::int32_t)) {
    NetworkState& st = *GetNetworkState();
    if (!st.ready || FindNetworkRecord(handle) == nullptr) return -1;
    if (st.*busy) return -1;
    st.*busy = 1;
    const int result = body(handle);
    st.*busy = 0;
    return result;
}

}  // namespace

int RecvSocket(std::int32_t handle) { return Guarded(handle, &NetworkState::receive_busy, ReceiveMessages); }

int SendSocket(std::int32_t handle) { return Guarded(handle, &NetworkState::send_busy, SendMessages); }
