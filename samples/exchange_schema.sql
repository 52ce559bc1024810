-- The exchange database of RefreshTable and UpdateTable: four tables, one per
-- item kind. Create them once in a new file:
--
--   sqlite3 exchange.db < samples/exchange_schema.sql
--
-- RefreshTable only appends rows (RURO_flag 0); it never creates, empties or
-- drops a table. UpdateTable reads the rows a host has flagged: 1 added,
-- 2 changed, 3 deleted. docs/exchange-format.md describes every column.

-- One row per feature of the model (of every solid, for a drawing), failed
-- features left out; featIndex counts the rows of one export from 0.
create table if not exists RURO_2_feature (
  featId        integer,
  featName      text,
  featType      text,
  featSubtype   text,
  featStatus    integer,
  isNcseq       integer,
  isIncomplete  integer,
  isReadonly    integer,
  patternStatus integer,
  groupStatus   integer,
  grppatStatus  integer,
  featIndex     integer,
  RURO_flag     integer not null default 0
);

-- One row per dimension, under the first feature that shows it; dimensions of
-- unknown type are left out.
create table if not exists RURO_2_dimension (
  dimId       integer,
  featId      integer,
  dimSymbol   text,
  dimValue    real,
  dimType     integer,
  tolType     integer,
  upperLimit  real,
  lowerLimit  real,
  isReldriven integer,
  RURO_flag   integer not null default 0
);

-- One row per parameter of the model (ownerId 0) and of each component's model
-- (ownerId the component feature's id). Values are texts whatever their type;
-- description is not exported, a host may fill it for parameters it adds.
create table if not exists RURO_2_parameter (
  ownerId      integer,
  ownerName    text,
  ownerType    text,
  paramName    text,
  paramValType integer,
  paramValue   text,
  units        text,
  description  text,
  RURO_flag    integer not null default 0
);

-- One row per relation line, of the model first, then of each feature; a
-- relation set is rewritten from the rows of its owner.
create table if not exists RURO_2_relation (
  ownerId   integer,
  ownerType integer,
  relation  text,
  RURO_flag integer not null default 0
);
