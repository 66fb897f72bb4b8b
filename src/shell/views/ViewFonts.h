#pragma once

#include <QFont>

namespace qm {

// The fonts of this program's windows, in the sizes the designs give in
// points, where a point is one unit of the windows' own coordinates (a 340
// wide panel holds text of 10 points as a 340 point wide window would). Qt
// counts points at the screen's logical resolution, so the sizes are
// converted, keeping text in proportion to the panels it sits in.
class ViewFonts {
public:
    enum class Weight { regular, medium, semibold, bold };

    // The system's proportional face.
    static QFont system(double points, Weight weight = Weight::regular);
    // The system's monospaced face.
    static QFont mono(double points, Weight weight = Weight::regular, bool italic = false);
};

}  // namespace qm
