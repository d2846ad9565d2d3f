#include "document/tesserinDoc.h"

#include "resources/Resource.h"
#include "framework/ProfileStore.h"

CtesserinDoc::CtesserinDoc() : board(std::make_unique<PuzzleBoard>()) {}

CtesserinDoc::~CtesserinDoc() {
    framework::ProfileStore store;
    store.section = res::kSettingsSection;
    store.writeString("Image", GetPathName());
    board.reset();
}
