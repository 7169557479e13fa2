// The PostgreSQL schema of the highscore list, step by step.
#include "server/postgres_schema.h"

namespace vantrell::highscores {

// Each schema change is a new entry at the end, as in the SQLite file. Entries take the
// database's clock, so that instances on machines whose clocks differ rank alike.
const Migration kPostgresMigrations[] = {
    {1, R"sql(
CREATE TABLE entries (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL,
  points integer NOT NULL,
  game_type integer NOT NULL,
  givens integer NOT NULL,
  element_set text NOT NULL,
  entered_ms bigint NOT NULL DEFAULT (extract(epoch FROM now()) * 1000)::bigint,
  UNIQUE (name, points, game_type, givens, element_set)
);
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id);
CREATE TABLE codes (
  code text PRIMARY KEY,
  entry_id bigint NOT NULL REFERENCES entries (id)
);
-- Submissions go through the function submit_entry of step 2 (which replaces the first one
-- that lists of this step hold).
)sql"},
    // Counts per type and points value, and per block of 256 values, kept by statement
    // triggers in the transaction that adds, removes, hides or shows entries (an import's
    // million rows in one statement, a submission's one row alike): a rank is a sum over at
    // most 300 blocks and 255 values plus the ties before it, a total a sum over the blocks,
    // and a page is found by its first points value instead of walking the rows before it.
    // Hidden entries stay (their codes stay used) but are in no table or count.
    {2, R"sql(
ALTER TABLE entries ADD COLUMN hidden boolean NOT NULL DEFAULT false;
DROP INDEX entries_by_rank;
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id) INCLUDE (hidden);
CREATE INDEX codes_by_entry ON codes (entry_id);
CREATE TABLE rank_points (
  game_type integer NOT NULL,
  points integer NOT NULL,
  entries bigint NOT NULL,
  PRIMARY KEY (game_type, points)
);
CREATE TABLE rank_blocks (
  game_type integer NOT NULL,
  block integer NOT NULL,
  entries bigint NOT NULL,
  PRIMARY KEY (game_type, block)
);
CREATE TABLE moderation (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  entry_id bigint NOT NULL REFERENCES entries (id),
  hidden boolean NOT NULL,
  reason text NOT NULL,
  at_ms bigint NOT NULL DEFAULT (extract(epoch FROM now()) * 1000)::bigint
);
CREATE INDEX moderation_by_entry ON moderation (entry_id, id);

-- Adds each (type, points, change) to the counts, in key order so that two transactions
-- lock the count rows they share in the same order.
CREATE FUNCTION count_changes(p_types integer[], p_points integer[], p_changes integer[]) RETURNS void
LANGUAGE sql VOLATILE AS $$
  WITH c AS (SELECT u.t, u.p, sum(u.d) AS n FROM unnest(p_types, p_points, p_changes) AS u(t, p, d) GROUP BY 1, 2),
  by_points AS (
    INSERT INTO rank_points AS r (game_type, points, entries) SELECT t, p, n FROM c ORDER BY 1, 2
    ON CONFLICT (game_type, points) DO UPDATE SET entries = r.entries + excluded.entries)
  INSERT INTO rank_blocks AS r (game_type, block, entries) SELECT t, p >> 8, sum(n) FROM c GROUP BY 1, 2 ORDER BY 1, 2
  ON CONFLICT (game_type, block) DO UPDATE SET entries = r.entries + excluded.entries;
$$;
CREATE FUNCTION entries_added() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM count_changes(array_agg(game_type), array_agg(points), array_agg(1)) FROM added WHERE NOT hidden;
  RETURN NULL;
END $$;
CREATE FUNCTION entries_removed() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM count_changes(array_agg(game_type), array_agg(points), array_agg(-1)) FROM removed WHERE NOT hidden;
  RETURN NULL;
END $$;
CREATE FUNCTION entries_changed() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM count_changes(array_agg(x.game_type), array_agg(x.points), array_agg(x.change))
    FROM (SELECT o.game_type, o.points, -1 AS change FROM removed o JOIN added n ON n.id = o.id WHERE NOT o.hidden AND n.hidden
          UNION ALL
          SELECT n.game_type, n.points, 1 FROM removed o JOIN added n ON n.id = o.id WHERE o.hidden AND NOT n.hidden) x;
  RETURN NULL;
END $$;
CREATE TRIGGER entries_counted AFTER INSERT ON entries REFERENCING NEW TABLE AS added
  FOR EACH STATEMENT EXECUTE FUNCTION entries_added();
CREATE TRIGGER entries_uncounted AFTER DELETE ON entries REFERENCING OLD TABLE AS removed
  FOR EACH STATEMENT EXECUTE FUNCTION entries_removed();
CREATE TRIGGER entries_recounted AFTER UPDATE ON entries REFERENCING OLD TABLE AS removed NEW TABLE AS added
  FOR EACH STATEMENT EXECUTE FUNCTION entries_changed();
INSERT INTO rank_points SELECT game_type, points, count(*) FROM entries WHERE NOT hidden GROUP BY 1, 2;
INSERT INTO rank_blocks SELECT game_type, points >> 8, sum(entries) FROM rank_points GROUP BY 1, 2;

-- Entries ahead of one: the blocks above its own, the values above it in its block, and
-- the ties entered before it.
CREATE FUNCTION rank_of(p_type integer, p_points integer, p_entered bigint, p_id bigint) RETURNS bigint
LANGUAGE sql STABLE AS $$
  SELECT (SELECT coalesce(sum(b.entries), 0) FROM rank_blocks b WHERE b.game_type = p_type AND b.block > p_points >> 8)
    + (SELECT coalesce(sum(r.entries), 0) FROM rank_points r WHERE r.game_type = p_type
       AND r.points > p_points AND r.points <= ((p_points >> 8) << 8) + 255)
    + (SELECT count(*) FROM entries e WHERE e.game_type = p_type AND e.points = p_points AND NOT e.hidden
       AND (e.entered_ms, e.id) < (p_entered, p_id))
    + 1
$$;

-- One page and its total from one snapshot (a STABLE function sees its caller's). A page
-- past the end is its total alone, on a row without an entry.
CREATE FUNCTION list_page(p_type integer, p_limit integer, p_offset bigint)
RETURNS TABLE (total bigint, id bigint, name text, points integer, game_type integer, givens integer,
               element_set text, entered_ms bigint)
LANGUAGE plpgsql STABLE AS $$
#variable_conflict use_column
DECLARE
  v_total bigint;
  v_points integer;
  v_above bigint;
  v_ms bigint;
  v_id bigint;
  v_got bigint;
BEGIN
  SELECT coalesce(sum(b.entries), 0) INTO v_total FROM rank_blocks b WHERE b.game_type = p_type;
  IF p_offset >= v_total OR p_limit <= 0 THEN
    RETURN QUERY SELECT v_total, NULL::bigint, NULL::text, NULL::integer, NULL::integer, NULL::integer, NULL::text,
      NULL::bigint;
    RETURN;
  END IF;
  WITH blocks AS (
    SELECT b.block, b.entries, sum(b.entries) OVER (ORDER BY b.block DESC) AS through
    FROM rank_blocks b WHERE b.game_type = p_type),
  chosen AS (SELECT k.block, k.through - k.entries AS above FROM blocks k WHERE k.through > p_offset
             ORDER BY k.block DESC LIMIT 1),
  pts AS (
    SELECT r.points, r.entries, chosen.above + sum(r.entries) OVER (ORDER BY r.points DESC) AS through
    FROM chosen JOIN rank_points r ON r.game_type = p_type
      AND r.points BETWEEN chosen.block * 256 AND chosen.block * 256 + 255)
  SELECT s.points, s.through - s.entries INTO v_points, v_above FROM pts s WHERE s.through > p_offset
    ORDER BY s.points DESC LIMIT 1;
  -- The page's first row among its ties, counted off on the index alone; then its rows.
  SELECT e.entered_ms, e.id INTO v_ms, v_id FROM entries e
    WHERE e.game_type = p_type AND e.points = v_points AND NOT e.hidden
    ORDER BY e.entered_ms, e.id OFFSET p_offset - v_above LIMIT 1;
  RETURN QUERY SELECT v_total, e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms
    FROM entries e WHERE e.game_type = p_type AND e.points = v_points AND NOT e.hidden
    AND (e.entered_ms, e.id) >= (v_ms, v_id)
    ORDER BY e.entered_ms, e.id LIMIT p_limit;
  GET DIAGNOSTICS v_got = ROW_COUNT;
  IF v_got < p_limit THEN
    RETURN QUERY SELECT v_total, e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms
      FROM entries e WHERE e.game_type = p_type AND e.points < v_points AND NOT e.hidden
      ORDER BY e.points DESC, e.entered_ms, e.id LIMIT p_limit - v_got;
  END IF;
END $$;

-- One submission in one round trip. The rules are the unique constraints: in READ COMMITTED
-- an insert that meets a row another session is writing waits for its commit, and each
-- statement here sees what was committed before it, so two instances that take the same
-- code at the same moment make one entry.
CREATE OR REPLACE FUNCTION submit_entry(p_name text, p_points integer, p_type integer, p_givens integer, p_set text,
                                        p_code text)
RETURNS TABLE (outcome text, id bigint, name text, points integer, game_type integer, givens integer,
               element_set text, entered_ms bigint, rank bigint)
LANGUAGE plpgsql VOLATILE AS $$
DECLARE
  made entries%ROWTYPE;
  mine entries%ROWTYPE;
  holder entries%ROWTYPE;
BEGIN
  FOR attempt IN 1..3 LOOP
    INSERT INTO entries AS e (name, points, game_type, givens, element_set)
      VALUES (p_name, p_points, p_type, p_givens, p_set)
      ON CONFLICT DO NOTHING RETURNING e.* INTO made;
    IF made.id IS NOT NULL THEN
      mine := made;
    ELSE
      SELECT e.* INTO mine FROM entries e WHERE e.name = p_name AND e.points = p_points
        AND e.game_type = p_type AND e.givens = p_givens AND e.element_set = p_set;
    END IF;
    EXIT WHEN mine.id IS NOT NULL; -- else the row that stood in the way is gone again
  END LOOP;
  IF mine.id IS NULL THEN
    RAISE EXCEPTION 'an entry that blocked an insert cannot be read' USING ERRCODE = '40001';
  END IF;
  INSERT INTO codes AS c (code, entry_id) VALUES (p_code, mine.id) ON CONFLICT DO NOTHING;
  IF FOUND THEN
    holder := mine;
  ELSE
    SELECT e.* INTO holder FROM entries e WHERE e.id = (SELECT c.entry_id FROM codes c WHERE c.code = p_code);
  END IF;
  IF holder.id <> mine.id AND made.id IS NOT NULL THEN
    -- The code is another name's: the entry made for this name must not stay.
    DELETE FROM entries e WHERE e.id = made.id;
  END IF;
  RETURN QUERY SELECT
    CASE WHEN holder.hidden THEN 'hidden' WHEN holder.id <> mine.id THEN 'taken'
         WHEN made.id IS NOT NULL THEN 'created' ELSE 'standing' END,
    holder.id, holder.name, holder.points, holder.game_type, holder.givens, holder.element_set, holder.entered_ms,
    rank_of(holder.game_type, holder.points, holder.entered_ms, holder.id);
END
$$;
)sql"},
};

std::span<const Migration> postgresMigrations() { return kPostgresMigrations; }

} // namespace vantrell::highscores
