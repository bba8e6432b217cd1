#pragma once
// TTamberAbout: the about box of the maker's family of programs, with the family
// line "A Tamber application" (shown with ShowATamber) and the family picture.

#include "shell/about.h"

namespace zevrin {

class TTamberAbout : public TAbout {
public:
    explicit TTamberAbout(QObject* owner = nullptr);

    /// TAbout's steps, then the labels and the picture: with BMP256 the 256-colour
    /// picture at its own size, otherwise converted to the screen's colours in the
    /// picture's frame.
    void Loaded() override;
};

} // namespace zevrin
