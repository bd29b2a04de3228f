// The widget headers and GoogleTest, compiled once per test program.
#pragma once
#ifdef __cplusplus
#include "pch_widgets.h"
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#endif
