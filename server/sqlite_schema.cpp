// The SQLite schema of the highscore list, step by step.
#include "server/sqlite_schema.h"

namespace vantrell::highscores {

// Each schema change is a new entry at the end; a database is brought from its version to
// the last one in order, inside one transaction.
const Migration kSqliteMigrations[] = {
    {1, R"sql(
CREATE TABLE entries (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  points INTEGER NOT NULL,
  game_type INTEGER NOT NULL,
  givens INTEGER NOT NULL,
  element_set TEXT NOT NULL,
  entered_ms INTEGER NOT NULL,
  UNIQUE (name, points, game_type, givens, element_set)
);
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id);
CREATE TABLE codes (
  code TEXT PRIMARY KEY,
  entry_id INTEGER NOT NULL REFERENCES entries (id)
) WITHOUT ROWID;
)sql"},
    // Counts per type and points value, and per block of 256 points values, kept by triggers
    // in the transaction that adds, removes, hides or shows an entry: a rank is a sum over
    // at most 300 blocks and 255 values plus the ties before it, a total a sum over the
    // blocks, and a page is found by its first points value rather than by walking the rows
    // before it. Hidden entries stay (their codes stay used) but are in no table or count;
    // the rank index carries the flag, so that passing over them reads no row.
    {2, R"sql(
ALTER TABLE entries ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0;
DROP INDEX entries_by_rank;
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id, hidden);
CREATE INDEX codes_by_entry ON codes (entry_id);
CREATE TABLE rank_points (
  game_type INTEGER NOT NULL,
  points INTEGER NOT NULL,
  entries INTEGER NOT NULL,
  PRIMARY KEY (game_type, points)
) WITHOUT ROWID;
CREATE TABLE rank_blocks (
  game_type INTEGER NOT NULL,
  block INTEGER NOT NULL,
  entries INTEGER NOT NULL,
  PRIMARY KEY (game_type, block)
) WITHOUT ROWID;
INSERT INTO rank_points SELECT game_type, points, count(*) FROM entries WHERE hidden = 0 GROUP BY game_type, points;
INSERT INTO rank_blocks SELECT game_type, points >> 8, sum(entries) FROM rank_points GROUP BY game_type, points >> 8;
CREATE TRIGGER entries_counted AFTER INSERT ON entries WHEN NEW.hidden = 0 BEGIN
  INSERT INTO rank_points VALUES (NEW.game_type, NEW.points, 1)
    ON CONFLICT DO UPDATE SET entries = entries + 1;
  INSERT INTO rank_blocks VALUES (NEW.game_type, NEW.points >> 8, 1)
    ON CONFLICT DO UPDATE SET entries = entries + 1;
END;
CREATE TRIGGER entries_uncounted AFTER DELETE ON entries WHEN OLD.hidden = 0 BEGIN
  UPDATE rank_points SET entries = entries - 1 WHERE game_type = OLD.game_type AND points = OLD.points;
  UPDATE rank_blocks SET entries = entries - 1 WHERE game_type = OLD.game_type AND block = OLD.points >> 8;
END;
CREATE TRIGGER entries_recounted AFTER UPDATE OF hidden ON entries WHEN OLD.hidden <> NEW.hidden BEGIN
  INSERT INTO rank_points VALUES (NEW.game_type, NEW.points, CASE NEW.hidden WHEN 0 THEN 1 ELSE -1 END)
    ON CONFLICT DO UPDATE SET entries = entries + excluded.entries;
  INSERT INTO rank_blocks VALUES (NEW.game_type, NEW.points >> 8, CASE NEW.hidden WHEN 0 THEN 1 ELSE -1 END)
    ON CONFLICT DO UPDATE SET entries = entries + excluded.entries;
END;
CREATE TABLE moderation (
  id INTEGER PRIMARY KEY,
  entry_id INTEGER NOT NULL REFERENCES entries (id),
  hidden INTEGER NOT NULL,
  reason TEXT NOT NULL,
  at_ms INTEGER NOT NULL
);
CREATE INDEX moderation_by_entry ON moderation (entry_id, id);
CREATE TABLE health_probe (id INTEGER PRIMARY KEY, at_ms INTEGER NOT NULL);
)sql"},
};

std::span<const Migration> sqliteMigrations() { return kSqliteMigrations; }

} // namespace vantrell::highscores
