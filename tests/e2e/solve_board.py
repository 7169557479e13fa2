#!/usr/bin/python3
"""Reads the classic board from a screenshot of the main window and prints the clicks that
solve it, as a player would make them: "x y" window coordinates of the sub-square that enters
the value, one click a line, for every empty cell.

    solve_board.py SCREENSHOT BOARD_X BOARD_Y PICTURES_DIR LETTER

Given cells are found by comparing each 45-pixel cell with the game's own element pictures
(LETTER + "fest.png"); the board is then solved by backtracking.
"""

import subprocess
import sys


def read_ppm(path, crop=None):
    """(width, height, rgb bytes) through ImageMagick."""
    args = ["convert", path] + (["-crop", crop, "+repage"] if crop else []) + ["-depth", "8", "ppm:-"]
    data = subprocess.run(args, check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # P6, width, height, maximum, each after white space
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def cell_pixels(width, rgb, left, top, inset=4):
    """The inside of one 45-pixel cell, away from the grid lines."""
    out = bytearray()
    for y in range(top + inset, top + 45 - inset):
        start = (y * width + left + inset) * 3
        out += rgb[start:start + (45 - 2 * inset) * 3]
    return bytes(out)


def difference(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))


def solve(grid):
    """Fills the zeros of a 9x9 grid (rows of columns) so that rows, columns and blocks hold 1..9."""
    empty = [(r, c) for r in range(9) for c in range(9) if grid[r][c] == 0]

    def allowed(r, c):
        used = set(grid[r]) | {grid[i][c] for i in range(9)}
        br, bc = r - r % 3, c - c % 3
        used |= {grid[i][j] for i in range(br, br + 3) for j in range(bc, bc + 3)}
        return [v for v in range(1, 10) if v not in used]

    def step():
        if not any(grid[r][c] == 0 for r, c in empty):
            return True
        # The cell with the fewest choices first.
        r, c = min(((r, c) for r, c in empty if grid[r][c] == 0), key=lambda rc: len(allowed(*rc)))
        for v in allowed(r, c):
            grid[r][c] = v
            if step():
                return True
        grid[r][c] = 0
        return False

    return step()


def main(screenshot, board_x, board_y, pictures, letter):
    board_x, board_y = int(board_x), int(board_y)
    width, _, rgb = read_ppm(screenshot)
    tiles_width, _, tiles = read_ppm("%s/%sfest.png" % (pictures, letter))
    tile = {v: cell_pixels(tiles_width, tiles, 45 * v, 0) for v in range(1, 10)}
    grid = [[0] * 9 for _ in range(9)]
    for r in range(9):
        for c in range(9):
            cell = cell_pixels(width, rgb, board_x + 45 * c, board_y + 45 * r)
            best = min(tile, key=lambda v: difference(cell, tile[v]))
            if difference(cell, tile[best]) == 0:
                grid[r][c] = best
    givens = sum(v != 0 for row in grid for v in row)
    given = [row[:] for row in grid]
    if givens < 17 or not solve(grid):
        print("no solvable board read (%d given cells)" % givens, file=sys.stderr)
        return 1
    print("given cells: %d" % givens, file=sys.stderr)
    for r in range(9):
        for c in range(9):
            if given[r][c] == 0:
                v = grid[r][c]
                print(board_x + 45 * c + 15 * ((v - 1) % 3) + 7, board_y + 45 * r + 15 * ((v - 1) // 3) + 7)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
