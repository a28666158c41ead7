-- Кельто: the control journal on the laboratory's PostgreSQL server.
--
-- The program makes these tables itself on first connection when its user
-- may create tables in the database. When it may not, the administrator runs
-- this file once, as the owner of the database, for example:
--
--     psql -h server -U postgres -d journal -v ON_ERROR_STOP=1 -f journal-server.sql
--
-- and gives each technician's user the rights below (the role kelto_journal
-- is made here; GRANT kelto_journal TO ivanov; for each technician).
-- Schema version 2 (the version of journal.db it matches); a program that finds an older version upgrades it in one
-- transaction keeping every row, one that finds a newer version refuses to
-- write. The whole file is one transaction: nothing is half made.

BEGIN;

CREATE TABLE kelto_schema (
    version integer NOT NULL
);
INSERT INTO kelto_schema (version) VALUES (2);

-- Every change takes the next value of this sequence: an open window that
-- sees it move reloads, so the others' entries appear within seconds.
CREATE SEQUENCE journal_changes;

-- One conclusion: its number is unique within its year across the laboratory.
CREATE TABLE conclusions (
    id           bigserial PRIMARY KEY,
    year         integer NOT NULL,
    number       integer NOT NULL CHECK (number > 0),
    made_on      date,
    fields       jsonb NOT NULL DEFAULT '{}',   -- the header as typed
    entry_ids    bigint[] NOT NULL DEFAULT '{}', -- the table's rows, in order
    origin       text UNIQUE,                    -- where a moved conclusion came from
    change_no    bigint NOT NULL DEFAULT nextval('journal_changes'),
    created_at   timestamptz NOT NULL DEFAULT now(),
    created_os   text NOT NULL DEFAULT '',
    created_db   text NOT NULL DEFAULT current_user,
    UNIQUE (year, number)
);

-- The last number given out in each year; its row lock orders two
-- technicians saving at the same moment.
CREATE TABLE conclusion_counters (
    year integer PRIMARY KEY,
    last integer NOT NULL
);

-- One tested joint. revision counts the saves: a save names the revision it
-- started from and is refused when someone else saved in between. Deleting
-- only marks the row.
CREATE TABLE entries (
    id            bigserial PRIMARY KEY,
    revision      bigint NOT NULL DEFAULT 1,
    test_date     date,
    object        text NOT NULL DEFAULT '',
    joint         text NOT NULL DEFAULT '',
    pipe          text NOT NULL DEFAULT '',
    material      text NOT NULL DEFAULT '',
    method        text NOT NULL DEFAULT '',
    source        text NOT NULL DEFAULT '',
    source_serial text NOT NULL DEFAULT '',
    films         integer NOT NULL DEFAULT 0,
    film_size     text NOT NULL DEFAULT '',
    sensitivity   text NOT NULL DEFAULT '',
    defects       text NOT NULL DEFAULT '',
    verdict       text NOT NULL DEFAULT 'не оценён',
    conclusion    text NOT NULL DEFAULT '',      -- "17/2026"
    performer     text NOT NULL DEFAULT '',
    note          text NOT NULL DEFAULT '',
    search        text NOT NULL DEFAULT '',      -- the fields folded for the search
    origin        text UNIQUE,                   -- a moved or offline entry's own mark: sent once
    change_no     bigint NOT NULL DEFAULT nextval('journal_changes'),
    created_at    timestamptz NOT NULL DEFAULT now(),
    created_os    text NOT NULL DEFAULT '',
    created_db    text NOT NULL DEFAULT current_user,
    changed_at    timestamptz NOT NULL DEFAULT now(),
    changed_os    text NOT NULL DEFAULT '',
    changed_db    text NOT NULL DEFAULT current_user,
    deleted_at    timestamptz,
    deleted_os    text,
    deleted_db    text
);
CREATE INDEX entries_newest ON entries (test_date DESC, id DESC);

-- speed: begin
-- Indexes for the list and the search of a large journal; they change
-- nothing that is stored, so a database without them is of the same version
-- (a program whose user may adds them when it connects). The list in its
-- usual order, newest first, read from the index alone:
CREATE INDEX IF NOT EXISTS entries_list ON entries (test_date DESC NULLS LAST, id DESC) WHERE deleted_at IS NULL;
-- The search finds a piece of the folded text through trigrams (pg_trgm, a
-- trusted extension: the database's owner may add it). Without it the
-- search reads every entry, slower but the same.
DO $$
BEGIN
    CREATE EXTENSION IF NOT EXISTS pg_trgm;
EXCEPTION WHEN OTHERS THEN
    RAISE NOTICE 'pg_trgm not added: the search reads every entry';
END
$$;
DO $$
BEGIN
    IF EXISTS (SELECT FROM pg_opclass WHERE opcname = 'gin_trgm_ops') THEN
        CREATE INDEX IF NOT EXISTS entries_search ON entries USING gin (search gin_trgm_ops);
    END IF;
END
$$;
-- speed: end

-- Every written row takes a new change number.
CREATE FUNCTION kelto_mark_change() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    NEW.change_no := nextval('journal_changes');
    RETURN NEW;
END
$$;
CREATE TRIGGER entries_change BEFORE UPDATE ON entries
    FOR EACH ROW EXECUTE FUNCTION kelto_mark_change();
CREATE TRIGGER conclusions_change BEFORE UPDATE ON conclusions
    FOR EACH ROW EXECUTE FUNCTION kelto_mark_change();

-- The next free number of a year, taken inside the saving transaction.
CREATE FUNCTION kelto_take_conclusion_number(for_year integer) RETURNS integer
LANGUAGE sql AS $$
    INSERT INTO conclusion_counters AS c (year, last)
    VALUES (for_year, COALESCE((SELECT max(number) FROM conclusions WHERE year = for_year), 0) + 1)
    ON CONFLICT (year) DO UPDATE
        SET last = GREATEST(c.last, (SELECT COALESCE(max(number), 0) FROM conclusions WHERE year = for_year)) + 1
    RETURNING last
$$;

-- The technicians' rights: read and write entries and conclusions, never
-- remove a row (deleting marks it) nor change the schema.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kelto_journal') THEN
        CREATE ROLE kelto_journal NOLOGIN;
    END IF;
EXCEPTION WHEN insufficient_privilege THEN
    RAISE NOTICE 'role kelto_journal not made: grant the rights below to each technician';
END
$$;
DO $$
BEGIN
    GRANT SELECT, INSERT, UPDATE ON entries, conclusions, conclusion_counters TO kelto_journal;
    GRANT SELECT ON kelto_schema TO kelto_journal;
    GRANT USAGE, SELECT ON SEQUENCE entries_id_seq, conclusions_id_seq, journal_changes TO kelto_journal;
EXCEPTION WHEN undefined_object THEN
    NULL;
END
$$;

COMMIT;
