#include <gtest/gtest.h>

#include "core/Document.h"
#include "ui/EditorView.h"
