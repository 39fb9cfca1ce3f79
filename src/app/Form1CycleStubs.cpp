// SPDX-License-Identifier: MIT
// Placeholders for the acquisition cycle and generator output until they land.

#include "app/TForm1.h"

namespace app {

void TForm1::MyIdleEvent(QObject*, bool&) {}
bool TForm1::AudioIn1BufferFilled(char*, int&) {
    return false;
}
void TForm1::Button3Click(QObject*) {}
void TForm1::RadioButton3Click(QObject*) {}
void TForm1::RadioButton4Click(QObject*) {}
void TForm1::RadioButton5Click(QObject*) {}
void TForm1::ComboBox4Click(QObject*) {}
void TForm1::TrackBar1Change(QObject*) {}
void TForm1::DrawTraces() {}
void TForm1::MeasureLevelL() {}
void TForm1::MeasureLevelR() {}
void TForm1::MeasureFrequencyL() {}
void TForm1::MeasureFrequencyR() {}
bool TForm1::AudioOut1FillBuffer(char*, int& Size) {
    Size = 0;
    return false;
}
void TForm1::AudioOut1Start(void*) {}
void TForm1::ScrollBar4Change(QObject*) {}
void TForm1::ScrollBar5Change(QObject*) {}
void TForm1::BindCycleHandlers() {}

} // namespace app
