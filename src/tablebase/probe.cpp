// The probe: from the engine's position to the table, the file, the index
// and the stored byte, and from the byte to a search score.
#include "position/position.h"
#include "shell/engine_state.h"
#include "tablebase/registry.h"
#include "tablebase/tablebase.h"

namespace {

// Positions that the published kppkp black-to-move file gets wrong.
constexpr uint32_t kppkpFixed[7] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};

// A pawn of `colour` stands ready to take on the en passant square (tablebase
// squares); a square that no pawn can use is no en passant square.
bool canTakeEnPassant(int colour, int epSquare) {
  const int from = colour == WHITE ? epSquare - 8 : epSquare + 8;
  const int file = epSquare & 7;  // engine file index, 0 = h
  if (from < 0 || from > 63) return false;
  const Bitboard pawns = pos.pieceBits[colour][PAWN];
  return (file > 0 && (pawns >> (from - 1) & 1)) || (file < 7 && (pawns >> (from + 1) & 1));
}

struct Lists {
  TbPieceSquares colour[2];
  uint32_t counts[10];
};

bool collect(Lists &l) {
  for (int c = 0; c < 10; c++) l.counts[c] = 0;
  for (int c = 0; c < 2; c++)
    for (uint32_t &s : l.colour[c].square) s = 0;
  for (Bitboard b = pos.occupied; b;) {
    const int s = highestBit(b);
    b &= ~(Bitboard(1) << s);
    const int word = pos.board[s];
    const int type = wordType(word), colour = wordColour(word);
    if (type == KING) continue;
    if (type > QUEEN || colour > BLACK) return false;
    uint32_t &count = l.counts[colour * 5 + type];
    if (count >= 3) return false;
    l.colour[colour].square[3 * type + count] = uint32_t(s ^ 7);
    count++;
  }
  l.colour[WHITE].square[TB_KING_SLOT] = uint32_t(pos.kingSquare[WHITE] ^ 7);
  l.colour[BLACK].square[TB_KING_SLOT] = uint32_t(pos.kingSquare[BLACK] ^ 7);
  return true;
}

}  // namespace

bool TbLocate(TbLocation *where) {
  if (popCount(pos.occupied) > 5 || !tbRegistry.built) return false;
  Lists l;
  if (!collect(l)) return false;
  int id = TbLookupMaterial(l.counts);
  if (id == 0) return false;
  const bool inverted = id < 0;
  if (inverted) id = -id;
  const TbDescriptor &d = tbRegistry.tables[id];
  const int side = inverted ? pos.opponent : pos.sideToMove;
  const TbPieceSquares &first = l.colour[inverted ? BLACK : WHITE];
  const TbPieceSquares &second = l.colour[inverted ? WHITE : BLACK];
  uint32_t ep = TB_NO_EP;
  if (pos.epSquare >= 0 && pos.epSquare < 64 && canTakeEnPassant(pos.sideToMove, pos.epSquare))
    ep = uint32_t(pos.epSquare ^ 7);
  uint32_t index = TbIndex(d.shape, side, first, second, ep, inverted);
  if (index == TB_NO_INDEX) return false;
  where->id = id;
  where->side = d.symmetric ? 0 : side;
  where->index = index;
  return true;
}

int32_t TbProbeTable(int id, int side, uint32_t index) {
  if (id < 1 || id >= TB_TABLE_COUNT || side < 0 || side > 1) return TB_NO_VALUE;
  const TbDescriptor &d = tbRegistry.tables[id];
  if (d.symmetric) side = 0;
  if (id == 36 && side == 1)
    for (uint32_t fixed : kppkpFixed)
      if (index == fixed) return -32639;
  const TbFile &f = d.file[side];
  if (tbRegistry.entryCount == 0 || !f.fileName || index >= f.positions) return TB_NO_VALUE;
  int32_t b = TbCacheProbe(id, side, index / TB_BLOCK_SIZE, index % TB_BLOCK_SIZE);
  if (b == TB_NO_VALUE || b == 127) return TB_NO_VALUE;
  if (b == 0) return 0;
  if (b > 0) return b + 32640;
  if (b >= -126) return b - 32640;
  return b == -127 ? -32640 : 32640;
}

bool TbProbe(int *score) {
  if (tablebaseSettings.tbMaxPieces < 3 || tbRegistry.entryCount == 0) return false;
  TbLocation where;
  if (!TbLocate(&where) || !TbIsRegistered(where.id, where.side)) return false;
  const int32_t value = TbProbeTable(where.id, where.side, where.index);
  if (value == TB_NO_VALUE) return false;
  const int32_t ply = pos.searchPly;
  *score = value > 0 ? 2 * value - 55534 - ply : value < 0 ? 2 * value + 55532 + ply : 0;
  return true;
}
