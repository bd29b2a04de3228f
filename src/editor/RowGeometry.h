#pragma once
// The row editor's geometry: one 5 x 5 marker per column whose top stands
// 123 - value pixels down, so that the top grid line is 60 degrees and the
// bottom one 0 degrees; the rules for grabbing and dragging a marker.
class QPainter;

namespace editor {

constexpr int kMarkerSize = 5;
constexpr int kEditorHeight = 129; // usable height of the row editor
constexpr int kEditorWidth = 350;
constexpr int kTopLimit = 3; // highest marker top a drag may reach (120 = 60 degrees)

constexpr int markerLeft(int k) {
    return 7 + 22 * k;
}
constexpr int markerTop(int value) {
    return 123 - value;
}
constexpr int valueAtTop(int top) {
    return 123 - top;
}
// The value label stands above its marker, or below it near the top.
constexpr int valueLabelTop(int top) {
    return top > 15 ? top - 16 : 23;
}
// The segment between two markers joins their centres.
constexpr int segmentY(int top) {
    return top + 2;
}

// The column whose marker spans x (left - 1 < x < left + size); -1 for none.
int columnAt(int x);
// Whether a drag may put the grabbed marker's top at t: within the editor,
// and grabbed on the marker itself.
bool dragAccepted(int t, int grabOffset, int scaleHeight = kEditorHeight);

// The background: grey lines through the marker centres and one every
// 5 degrees.
void paintRowBackground(QPainter& painter);

} // namespace editor
