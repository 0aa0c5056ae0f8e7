#pragma once

class QAbstractItemModel;
class QTableView;

// A grid that lists records: read only, one whole row selected at a time, rows of one fixed
// height (nothing is measured row by row, however many rows the model holds).
void SetUpListGrid(QTableView *grid, QAbstractItemModel *model);
