// TEMPORARY: a stand-in for the search until the real one is merged.
// Delete this file and pending_search_stub.cpp, and include
// "search/search.h" in game_loop.cpp instead.
#pragma once

// Fills searchResult with the first legal move (and the first legal replies
// after it); while pondering or analysing it waits for "stop", "ponderhit"
// or another command, as the real search does.
void think();
