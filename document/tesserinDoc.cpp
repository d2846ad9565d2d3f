#include "document/tesserinDoc.h"

#include "resources/Resource.h"
#include "shell/ProfileStore.h"

CtesserinDoc::CtesserinDoc() : board(std::make_unique<PuzzleBoard>()) {}

CtesserinDoc::~CtesserinDoc() {
    ProfileStore store;
    store.section = res::kSettingsSection;
    store.writeString("Image", GetPathName());
    board.reset();
}
