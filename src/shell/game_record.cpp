// The moves of the game and the set-position command.
//
// Moves that come from outside (typed by an xboard user, listed by a UCI
// "position" command) are looked up among the generated moves before they
// are made, so a word that names no move of the position (a null move
// "0000", castling without the right, a piece that cannot go there) is
// refused instead of being played.
#include "shell/game_record.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "shell/engine_state.h"
#include "shell/game_end.h"
#include "shell/new_game.h"

Move findGeneratedMove(int from, int to, int promotionType) {
  if (from < 0 || from > 63 || to < 0 || to > 63) return 0;
  pos.searchPly = 0;
  generateMoves();
  for (int i = moveListStart[0]; i < moveListStart[1]; i++) {
    Move move = moveStack[i].move;
    if (moveFrom(move) != from || moveTo(move) != to) continue;
    if (!(move & MOVE_PROMOTION)) return move;
    int wanted = promotionType == NO_PIECE ? QUEEN : promotionType;
    if (movePromotionType(move) == wanted) return move;
  }
  return 0;
}

Move generatedMoveFromText(const char *text) {
  Move parsed;
  if (!parseCoordinateMove(parsed, text)) return 0;
  int promotion = (parsed & MOVE_PROMOTION) ? movePromotionType(parsed) : NO_PIECE;
  Move move = findGeneratedMove(moveFrom(parsed), moveTo(parsed), promotion);
  // "O-O" names castling only, never a plain king step to the same square.
  if ((parsed & MOVE_CASTLE) && !(move & MOVE_CASTLE)) return 0;
  return move;
}

Move legalMoveFor(Move word) {
  if (!word) return 0;
  pos.searchPly = 0;
  generateMoves();
  for (int i = moveListStart[0]; i < moveListStart[1]; i++) {
    Move move = moveStack[i].move;
    if ((move & MOVE_IDENTITY_MASK) != (word & MOVE_IDENTITY_MASK)) continue;
    if (!makeMove(move)) return 0;
    unmakeMove();
    pos.searchPly = 0;
    return move;
  }
  return 0;
}

int playGameMove(Move move) {
  if (pos.gamePly >= MAX_GAME_PLIES - 1) return 0;
  char *text = gameRecord.moveTextList[pos.gamePly];
  std::snprintf(text, MOVE_TEXT_SIZE, "%s", moveToSan(move));
  pos.searchPly = 0;
  if (!makeMove(move)) return 0;
  // Game moves are not search plies: the next list is generated at ply 0.
  pos.searchPly = 0;
  shell.clocksCrossed = 0;
  if (inCheck()) {
    size_t length = std::strlen(text);
    if (length + 1 < MOVE_TEXT_SIZE) {
      text[length] = '+';
      text[length + 1] = '\0';
    }
  }
  return 1;
}

void takeBackGameMove() {
  if (pos.gamePly <= 0) return;
  pos.searchPly = 1;
  unmakeMove();
  pos.searchPly = 0;
}

// Whether the moves on the board are the first gamePly moves of the list:
// the same squares and, for a promotion, the same piece.
static bool recordAgrees() {
  for (int i = 0; i < pos.gamePly; i++) {
    const char *listed = gameRecord.moveTextList[i];
    const char *played = moveToCoordinates(pos.plyRecords[i].move);
    if (std::strncmp(listed, played, 4) != 0) return false;
    if (played[4] && std::toupper(static_cast<unsigned char>(listed[4])) != played[4]) return false;
  }
  return true;
}

// Sets the position up from a FEN after a new game.  A FEN the engine cannot
// use leaves the initial position; it is reported, and the start position of
// the record stays the initial one.
static bool setUpFromFen(const char *fen) {
  std::snprintf(gameRecord.startFen, START_FEN_SIZE, "%s", fen);
  if (!fen[0]) return true;
  FenResult result = setupFromFen(fen);
  if (result == FEN_OK) return true;
  gameRecord.startFen[0] = '\0';
  std::printf(result == FEN_UNPLAYABLE ? "ERROR (illegal position): setupFromFen\n"
                                       : "ERROR (invalid FEN): setupFromFen\n");
  std::fflush(stdout);
  return false;
}

int setBoardFromFen(const char *fen) {
  newGame();
  shell.engineSide = NO_COLOUR;
  if (!fen[0]) {
    std::printf("ERROR (invalid FEN): setupFromFen\n");
    std::fflush(stdout);
    return 0;
  }
  return setUpFromFen(fen) ? 1 : 0;
}

void setPositionFromCommand() {
  const char *arg = shell.commandArg;
  if (arg[0] != 'M') {
    newGame();
    setUpFromFen(arg);
    shell.engineSide = NO_COLOUR;
    return;
  }

  // "M" alone (the initial position) has no FEN after it.
  const char *fen = arg[1] ? arg + 2 : "";
  bool replay = true;
  if (!(pos.gamePly >= 1 && !std::strcmp(gameRecord.startFen, fen) && recordAgrees())) {
    newGame();
    replay = setUpFromFen(fen);
  }
  // Each listed word is played while it names a legal move; the first that
  // does not ends the list.  The record keeps room for a search after the
  // last move: a game that does not fit is played up to the limit and
  // marked as not being the position on the board.
  const bool wasCutShort = gameRecord.listCutShort;
  gameRecord.listCutShort = 0;
  for (int j = pos.gamePly; replay && j < MAX_GAME_PLIES && gameRecord.moveTextList[j][0]; j++) {
    if (pos.gamePly >= MAX_GAME_LENGTH) {
      gameRecord.listCutShort = 1;
      std::printf("ERROR (maximum number of moves reached): main\n");
      std::fflush(stdout);
      break;
    }
    Move move = generatedMoveFromText(gameRecord.moveTextList[j]);
    if (!move || !playGameMove(move)) break;
  }
  gameRecord.gameLength = pos.gamePly - 1;
  // A game too long for the record is stopped; the board is not its
  // position, so nothing is claimed about it.
  if (gameRecord.listCutShort) {
    shell.gameOver = 1;
  } else {
    if (wasCutShort) shell.gameOver = 0;  // stopped only for not fitting
    checkGameEnd();
  }
  shell.engineSide = NO_COLOUR;
}
