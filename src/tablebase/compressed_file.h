// Compressed tablebase files (".emd"): a checked header, then blocks of 8192
// positions, each packed on its own with a per-file table of 24 match
// distances and one canonical Huffman code of 1024 symbols.
//
// The registry reads a file's header once (ReadDecodeInfo); the block cache
// decodes single blocks on demand through one shared BlockDecoder.
#pragma once

#include <cstdint>

// Failure classes; the registry turns them into its messages.
enum : int {
  DECODE_OK = 0,
  DECODE_READ_ERROR = 2,
  DECODE_OUT_OF_MEMORY = 5,
  DECODE_FILE_BROKEN = 6,
  DECODE_BAD_CALL = 7,
};

// What the header of one compressed file says; owned by the registry.
struct DecodeInfo;
// The shared block decoder: its input buffer, output area and bit reader.
struct BlockDecoder;

// Reads and checks the header of the compressed file open on descriptor
// `fd`, `fileLength` bytes long.  On success *info owns the result.
int ReadDecodeInfo(int fd, uint64_t fileLength, DecodeInfo **info);
void FreeDecodeInfo(DecodeInfo *info);
// The block size exponent (13 for tablebases), the number of blocks and the
// uncompressed length of the file, in positions.
int DecodeBlockExponent(const DecodeInfo *info);
uint32_t DecodeBlockCount(const DecodeInfo *info);
uint64_t DecodeUncompressedLength(const DecodeInfo *info);

// nullptr when there is no memory for it.
BlockDecoder *CreateBlockDecoder();
void FreeBlockDecoder(BlockDecoder *decoder);
// Points the decoder's output at `output` (capacity bytes, at least the
// block size).
int BlockDecoderReset(BlockDecoder *decoder, uint8_t *output, uint32_t capacity);
// Reads block `block` of the file into the decoder; a stored block is copied
// straight to the output.
int ReadBlock(BlockDecoder *decoder, const DecodeInfo *info, int fd, uint32_t block);
// Decodes the block read last until the output holds `length` bytes
// (1 .. the block's uncompressed length).
int DecodeBlock(BlockDecoder *decoder, const DecodeInfo *info, uint32_t length);
// The uncompressed length of block `block` (the block size, or the last
// block's length).
uint32_t DecodeBlockLength(const DecodeInfo *info, uint32_t block);
