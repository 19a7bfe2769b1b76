#pragma once

class TZentTree;

// Shared by the import and export commands of both group trees.

// A long import or export shows the busy cursor; it goes back however it ends.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Loads the tree again after an import, so the new groups show at once, and
// selects and opens the group imported into.
void ReloadAndSelect(TZentTree& tree, int group);
