// The game loop's work on the board: setting up positions with move lists,
// taking moves back, playing typed moves, and the think step's answers.
#include "shell/game_loop.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine_process.h"
#include "position/move_text.h"
#include "position/position.h"
#include "search/hash_tables.h"
#include "search/search_state.h"
#include "shell/game_record.h"
#include "test_support.h"
#include "uci_fixture.h"

namespace {

class GameLoop : public test::UciTest {
 protected:
  // A command line carried out as the loop does after reading it; returns
  // what was printed.
  static std::string command(const std::string &line) {
    return test::printedBy([&] {
      send(line);
      carryOutCommand();
    });
  }
  // The think step, with no command pending as at the top of the loop.
  static std::string think() {
    shell.pendingCommand = COMMAND_NONE;
    return test::printedBy(thinkStep);
  }
  // A move typed at an xboard interface; returns what was printed.
  static std::string typed(const char *from, const char *to, char promotion = 0) {
    shell.pendingFrom = test::square(from);
    shell.pendingTo = test::square(to);
    shell.pendingPromotion = promotion;
    return test::printedBy(playPendingMove);
  }
  static void useXboard(int flags = 0) { shell.engineFlags = (shell.engineFlags & ~FLAG_UCI) | FLAG_XBOARD | flags; }
};

// Each list on the game its predecessor left.  A list that extends the game
// plays only the new moves: the words compared keep their raw text.  An
// earlier move changed, a shorter list (the interface took moves back), or
// another start position or promotion piece (not the letter's case) replays
// the whole list after a new game.
TEST_F(GameLoop, AMoveListThatExtendsTheGamePlaysOnlyTheNewMoves) {
  const std::string start = "7k/P7/8/8/8/8/8/K7 w - -", fen = "position fen " + start + " moves ";
  const struct {
    std::string line;
    int plies, gameLength;
    const char *first, *third;  // nullptr: not checked
    int a8;                     // the piece type promoted to on a8, -1: not checked
  } cases[] = {{"position startpos moves e2e4 e7e5", 2, 1, "e4", nullptr, -1},
               {"position startpos moves e2e4 e7e5 g1f3", 3, 2, "e2e4", "Nf3", -1},
               {"position startpos moves d2d4 e7e5 g1f3", 3, 2, "d4", "Nf3", -1},
               {"position startpos moves d2d4", 1, 0, "d4", nullptr, -1},
               {fen + "a7a8n h8g7", 2, 1, "a8=N", nullptr, KNIGHT},
               {fen + "a7a8N h8g7 a1b1", 3, 2, "a7a8N", "Kb1", KNIGHT},
               {fen + "a7a8q h8g8", 1, 0, "a8=Q+", nullptr, QUEEN},  // the reply is illegal
               {"position startpos moves a2a4", 1, 0, "a4", nullptr, -1}};
  for (const auto &c : cases) {
    command(c.line);
    EXPECT_EQ(test::numbers(pos.gamePly, gameRecord.gameLength), test::numbers(c.plies, c.gameLength)) << c.line;
    EXPECT_STREQ(gameRecord.moveTextList[0], c.first) << c.line;
    EXPECT_STREQ(c.third ? gameRecord.moveTextList[2] : nullptr, c.third) << c.line;
    EXPECT_EQ(gameRecord.startFen, c.line.find(start) == std::string::npos ? "" : start) << c.line;
    EXPECT_EQ(c.a8 < 0 ? -1 : wordType(pos.board[test::square("a8")]), c.a8) << c.line;
  }
}

TEST_F(GameLoop, TheReplayStopsAtTheFirstWordThatIsNoLegalMove) {
  const std::tuple<const char *, const char *, int> cases[] = {
      {"", "e2e4 e7e5 e1g1 g1f3", 2},                  // castling through its own pieces
      {"", "e2e4 0000 g1f3", 1},                       // a null move
      {"", "e2e4 e7e5 e2e3 b8c6", 2},                  // an empty from-square
      {"", "e2e4 e7e5 g1g3 b8c6", 2},                  // a knight cannot go there
      {"", "e2e4 e7e5 d1h5 f7f5 g1f3", 3},             // the pawn may not leave its king to the queen
      {"", "e2e4 e7e5 e4e5 b8c6", 2},                  // a pawn cannot take straight on
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", "e1g1", 0},  // no right to castle short
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", "O-O", 0},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", "O-O-O e8g8", 2},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", "e1c1 e8g8 O-O", 2},
      {"4k3/4r3/8/8/8/8/4B3/4K3 w - -", "e2d3", 0},    // the bishop is pinned
      {"4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8 e8d7", 0},  // a promotion needs its piece
      {"4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8k e8d7", 0}};
  for (const auto &[fen, moves, plies] : cases) {
    std::string line = std::string("position ") + (fen[0] ? std::string("fen ") + fen : "startpos") + " moves " + moves;
    command(line);
    EXPECT_EQ(test::numbers(pos.gamePly, gameRecord.gameLength), test::numbers(plies, plies - 1)) << line;
  }
}

TEST_F(GameLoop, TheGameRecordStopsAtItsMaximumLength) {
  const std::string maximum = "ERROR (maximum number of moves reached): main\n";
  EXPECT_EQ(command("position startpos moves " + test::knightShuffle(900)), maximum);
  EXPECT_EQ(test::numbers(pos.gamePly, gameRecord.gameLength, gameRecord.listCutShort, shell.gameOver),
            test::numbers(MAX_GAME_LENGTH, MAX_GAME_LENGTH - 1, 1, 1));
  // No move of the board would be a move of the game sent: "0000", after
  // "stop" when the search is endless.
  command("go depth 3");
  EXPECT_EQ(think(), "bestmove 0000\n");
  command("go infinite");
  queueInput("isready\nstop\n");
  EXPECT_EQ(think(), "readyok\nbestmove 0000\n");
  // A list that just fits is the game on the board.
  EXPECT_EQ(command("position startpos moves " + test::knightShuffle(MAX_GAME_LENGTH)),
            "1/2-1/2 {Draw by fifty move rule}\n");
  EXPECT_EQ(test::numbers(gameRecord.listCutShort, pos.gamePly), test::numbers(0, MAX_GAME_LENGTH));
  EXPECT_EQ(command("position startpos moves " + test::knightShuffle(MAX_GAME_LENGTH + 1)), maximum);
  EXPECT_EQ(gameRecord.listCutShort, 1);
  EXPECT_STREQ(gameRecord.moveTextList[0], "g1f3");  // the same game: not replayed

  // A typed move is refused there.
  EXPECT_EQ(typed("g8", "f6"), maximum);
  EXPECT_EQ(test::numbers(pos.gamePly, shell.pendingFrom), test::numbers(MAX_GAME_LENGTH, -1));
  // A game that just fits is searched and its move played; beyond it the
  // engine no longer plays, but answers with a legal move.
  command("position startpos moves " + test::knightShuffle(MAX_GAME_LENGTH));
  command("go depth 3");
  EXPECT_EQ(test::linesStartingWith(think(), "bestmove").size(), 1u);
  command("go depth 3");
  const std::vector<std::string> past = test::linesStartingWith(think(), "bestmove ");
  ASSERT_EQ(test::numbers(past.size(), pos.gamePly), test::numbers(1, MAX_GAME_LENGTH + 1));
  EXPECT_NE(test::findMove(past[0].substr(9)), 0u) << past[0];
}

TEST_F(GameLoop, AFenTheEngineCannotUseLeavesTheInitialPosition) {
  command("position startpos moves e2e4");
  EXPECT_EQ(command("position fen rnbqkbnr/pppppppp/8/8 w KQkq - moves e2e4 e7e5"),
            "ERROR (invalid FEN): setupFromFen\n");
  EXPECT_EQ(pos.gamePly, 0);  // the moves are not played on the wrong board
  EXPECT_EQ(pos.hashKey, computeHashKey());
  EXPECT_STREQ(gameRecord.startFen, "");
  EXPECT_EQ(command("position fen 8/8/8/8/8/8/8/8 w - -"), "ERROR (illegal position): setupFromFen\n");
  EXPECT_EQ(command("position fen 4k3/8/8/8/8/8/8/R3K3 b - - moves e8d8"), "");
  EXPECT_EQ(pos.gamePly, 1);
  EXPECT_EQ(command("position fen k7/8/8/8/8/8/8/K6q b - -"), "ERROR (illegal position): setupFromFen\n");
  EXPECT_EQ(command("position fen \x01\xff garbage"), "ERROR (invalid FEN): setupFromFen\n");
  EXPECT_EQ(pos.gamePly, 0);
  // The engine goes on normally.
  command("position startpos moves e2e4 c7c5");
  EXPECT_EQ(pos.gamePly, 2);
}

TEST_F(GameLoop, TakingBack) {
  auto takeBack = [](const char *plies) {
    std::strcpy(shell.commandArg, plies);
    shell.pendingCommand = COMMAND_TAKE_BACK;
    carryOutCommand();
  };
  command("position startpos moves e2e4 e7e5 g1f3");
  gameRecord.bookMovesLeft = 0;
  shell.gameOver = 1;
  shell.engineSide = WHITE;
  // The book stays shut: the game ended with the last move taken back.
  takeBack("2");
  EXPECT_EQ(
      test::numbers(pos.gamePly, shell.gameOver, shell.engineSide, gameRecord.bookMovesLeft, gameRecord.gameLength),
      test::numbers(1, 0, NO_COLOUR, 0, 2));
  takeBack("");  // one ply; already inside the record: the book is back
  EXPECT_EQ(test::numbers(pos.gamePly, gameRecord.bookMovesLeft), test::numbers(0, 3));
  EXPECT_EQ(pos.hashKey, computeHashKey());
  takeBack("2");  // nothing left to take back
  EXPECT_EQ(test::numbers(pos.gamePly, pos.searchPly), test::numbers(0, 0));
}

TEST_F(GameLoop, TypedMoves) {
  typed("e2", "e4");  // the engine answers with Black
  EXPECT_EQ(test::numbers(pos.gamePly, shell.engineSide, gameRecord.gameLength), test::numbers(1, BLACK, 0));
  EXPECT_STREQ(gameRecord.moveTextList[0], "e4");
  EXPECT_EQ(typed("e7", "e4", 'q'), "Illegal move: e7e4q\n");
  EXPECT_EQ(test::numbers(pos.gamePly, shell.pendingFrom), test::numbers(1, -1));
  const std::pair<char, int> promotions[] = {{'n', KNIGHT}, {'B', BISHOP}, {'r', ROOK},
                                             {'q', QUEEN},  {'x', QUEEN},  {0, QUEEN}};
  for (const auto &[letter, type] : promotions) {
    command("position fen 7k/P7/8/8/8/8/8/K7 w - -");
    shell.forceMode = 1;
    EXPECT_EQ(typed("a7", "a8", letter), type == KNIGHT || type == BISHOP ? "1/2-1/2 {Insufficient material}\n" : "");
    // In force mode the engine only records.
    EXPECT_EQ(test::numbers(wordType(pos.board[test::square("a8")]), shell.engineSide), test::numbers(type, NO_COLOUR))
        << letter;
  }
}

// A move of the principal variation may come from the transposition table
// with only its squares, promotion piece and castling bits: the answer
// must still name the promotion.
TEST_F(GameLoop, MovesFromTheSearchAreCompletedFromTheLegalMoves) {
  test::setUp("4k3/P7/8/8/8/8/8/R3K2R w KQ -");
  const int a7 = test::square("a7"), a8 = test::square("a8");
  Move queen = legalMoveFor(makeMoveWord(a7, a8, Move(QUEEN) << 16));
  EXPECT_STREQ(moveToUciCoordinates(queen), "a7a8q");
  EXPECT_STREQ(moveToUciCoordinates(legalMoveFor(makeMoveWord(a7, a8, Move(KNIGHT) << 16))), "a7a8n");
  EXPECT_EQ(legalMoveFor(makeMoveWord(a7, a8)), 0u);  // a promotion needs its piece
  EXPECT_STREQ(
      moveToUciCoordinates(legalMoveFor(makeMoveWord(test::square("e1"), test::square("g1"), MOVE_KING_CASTLE))),
      "e1g1");
  // A rook on e2 gives check: castling and the other rook moves are not legal.
  test::setUp("4k3/8/8/8/8/8/4r3/R3K2R w KQ -");
  EXPECT_EQ(legalMoveFor(makeMoveWord(test::square("e1"), test::square("g1"), MOVE_KING_CASTLE)), 0u);
  EXPECT_EQ(legalMoveFor(makeMoveWord(test::square("h1"), test::square("h5"))), 0u);
  EXPECT_NE(legalMoveFor(makeMoveWord(test::square("e1"), test::square("e2"))), 0u);  // takes the rook
  EXPECT_EQ(legalMoveFor(0), 0u);
  EXPECT_EQ(pos.gamePly, 0);
}

// A ponder search ended by "stop" answers no move and takes the predicted
// move back; after "ponderhit" it is the engine's own search and "stop"
// gets its move.
TEST_F(GameLoop, APonderSearchEndedByStopTakesThePredictedMoveBack) {
  for (const bool hit : {true, false}) {
    command("position startpos moves e2e4 e7e5");
    command("go ponder wtime 100000 btime 100000");
    EXPECT_EQ(shell.pondering, 1);
    queueInput(hit ? "ponderhit\nstop\n" : "stop\n");
    std::string out = think();
    const std::vector<std::string> answer = test::linesStartingWith(out, "bestmove");
    ASSERT_EQ(answer.size(), 1u) << out;
    EXPECT_EQ(answer[0] == "bestmove 0000", !hit) << out;
    EXPECT_EQ(test::numbers(pos.gamePly, shell.pondering), test::numbers(hit ? 2 : 1, 0));
  }
  // The next position restores the move and plays the one really made.
  command("position startpos moves e2e4 c7c5 g1f3");
  EXPECT_EQ(pos.gamePly, 3);
  EXPECT_STREQ(gameRecord.moveTextList[0], "e2e4");  // still the same game
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

// Every "go" gets exactly one answer: "0000" when the game is over on the
// board, after "stop" when the search is endless, and meanwhile "isready" is
// answered, another "go" refused and a new hash size kept for afterwards.
TEST_F(GameLoop, EveryGoGetsOneAnswer) {
  const std::string stalemate = "position fen 7k/5Q2/6K1/8/8/8/8/8 b - -";
  const struct {
    std::string position;
    const char *go, *queued, *answer;  // answer nullptr: any legal move
  } cases[] = {{"position startpos moves f2f3 e7e5 g2g4 d8h4", "go depth 3", "", "bestmove 0000"},
               {stalemate, "go wtime 1000 btime 1000", "", "bestmove 0000"},
               {stalemate, "go infinite", "isready\nstop\n", "bestmove 0000"},
               {"position startpos moves " + test::knightShuffle(8), "go depth 3", "", nullptr},  // drawn games
               {"position startpos moves " + test::knightShuffle(100), "go depth 3", "", nullptr},
               {"position startpos moves d2d4", "go infinite",
                "isready\nsetoption name Hash value 16\ngo depth 1\nstop\n", nullptr}};
  for (const auto &c : cases) {
    command(c.position);
    command(c.go);
    queueInput(c.queued);
    std::string legal = " ";  // the moves before the engine's own goes on the board
    for (Move m : test::legalMoves()) legal += std::string(moveToUciCoordinates(m)) + " ";
    const std::string out = think();
    const std::vector<std::string> answers = test::linesStartingWith(out, "bestmove");
    ASSERT_EQ(answers.size(), 1u) << c.position << "\n" << out;
    const std::string move = answers[0].substr(9, answers[0].find(' ', 9) - 9);
    EXPECT_TRUE(c.answer ? answers[0] == c.answer : legal.find(" " + move + " ") != std::string::npos) << answers[0];
    EXPECT_EQ(test::linesStartingWith(out, "readyok").size(), std::strstr(c.queued, "isready") ? 1u : 0u) << out;
    EXPECT_EQ(shell.pendingCommand, COMMAND_NONE) << c.go;
  }
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 18);
  // "quit" ends an endless search.
  command("go infinite");
  queueInput("quit\n");
  think();
  EXPECT_EQ(shell.pendingCommand, COMMAND_QUIT);
}

// xboard: the third hopeless score in a row (40 moves per control) resigns
// when the opponent has time to win, with "resign" alone; otherwise the move
// goes out in algebraic notation as the record has it.
TEST_F(GameLoop, XboardResignsAfterThreeHopelessScoresWhenTheOpponentHasTime) {
  const std::tuple<int, int32_t, bool> cases[] = {{0, 60000, false}, {2, 60000, true}, {2, 10000, false}};
  for (const auto &[resignCount, opponentClock, resigns] : cases) {
    shell.engineFlags = (shell.engineFlags & ~FLAG_XBOARD) | FLAG_UCI;  // for "position"
    command("position fen k7/8/8/8/8/8/qq6/7K w - -");
    useXboard(FLAG_RESIGN);
    timeControl.movesToGo = 40;
    timeControl.baseTime = timeControl.maxMoveTime = 0;
    timeControl.maxSearchDepth = 3;
    timeControl.clockTime[WHITE] = 60000;
    timeControl.clockTime[BLACK] = opponentClock;
    shell.resignCount = resignCount;
    shell.engineSide = WHITE;
    const std::string out = think();
    // A resigned game keeps its last position: the move is taken back.
    EXPECT_EQ(test::numbers(pos.gamePly, gameRecord.gameLength, shell.resignCount,
                            test::linesStartingWith(out, "resign").size(), shell.gameOver),
              test::numbers(!resigns, resigns ? -1 : 0, resignCount + 1, resigns, resigns))
        << out;
    EXPECT_LT(searchResult.lastSearchScore, -800);
    const std::vector<std::string> sent = test::linesStartingWith(out, "move ");
    ASSERT_EQ(sent.size(), resigns ? 0u : 1u) << out;
    if (!resigns) {
      EXPECT_STREQ(gameRecord.moveTextList[pos.gamePly - 1], sent[0].c_str() + 5);
    }
  }
}

TEST_F(GameLoop, ASecondAnalyzeKeepsTheLimitsOfTheFirst) {
  timeControl.maxMoveTime = 123;
  timeControl.maxSearchDepth = 7;
  shell.pendingCommand = COMMAND_ANALYZE;
  carryOutCommand();
  carryOutCommand();
  EXPECT_EQ(test::numbers(timeControl.savedMaxMoveTime, timeControl.savedMaxSearchDepth), test::numbers(123, 7));
}

}  // namespace
