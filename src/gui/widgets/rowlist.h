#pragma once

class QTreeWidget;

// Makes a tree widget a plain list of rows: no tree lines, one whole row
// selected at a time, nothing edited in place.
void SetUpRowList(QTreeWidget* list);
